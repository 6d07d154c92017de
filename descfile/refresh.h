// Refresh folder, and the reload after a deletion.
#pragma once

#include <string>
#include <vector>

// Lists the described folder as it is now and shows it with the descriptions of the description file in
// use (RefreshWithListing). A folder that cannot be listed changes nothing.
void RefreshFolder();

// Shows names, a listing of the described folder just made, with the descriptions of the description
// file in use. Unsaved changes are saved first; where that save fails or is declined, or the file cannot
// be read as a description file, the listing is paired with the descriptions in memory instead, so none
// is lost.
void RefreshWithListing(std::vector<std::string> names);
