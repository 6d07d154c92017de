// Deleting a file of the folder from the list.
#pragma once

// Deletes the selected row's file after asking, refusing the description file in use, and brings
// the tables, the list and the description file up to date. Unsaved descriptions of the other
// entries are kept.
void DeleteSelectedFile();
