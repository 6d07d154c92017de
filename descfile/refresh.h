// Refresh folder.
#pragma once

#include <string>
#include <vector>

// Lists the folder as it is now and shows it with the descriptions of the description file in use.
// Unsaved changes are saved first; where that save fails or is declined, the listing is paired with the
// descriptions in memory instead, so none is lost. A folder that cannot be listed, or no readable
// description file, changes nothing.
void RefreshFolder();

// RefreshFolder with names, a listing just made. With rowsFollowFolder, a description file that cannot
// be read still lets the rows follow the folder, with the descriptions in memory.
void RefreshWithListing(std::vector<std::string>& names, bool rowsFollowFolder);
