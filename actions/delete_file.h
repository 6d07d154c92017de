// Deleting a file of the folder from the list.
#pragma once

// Deletes the selected row's file after asking, refusing the description file in use, and brings the
// tables, the list and the description file up to date with one listing of the folder. Exactly the
// listed entry is deleted, or none; a deletion that fails says why and changes nothing. Unsaved
// descriptions of the other entries are kept. True when the folder was listed again or a failure was
// reported, so a caller need not list it once more.
bool DeleteSelectedFile();
