// Deleting a file of the folder from the list.
#pragma once

// What to do when no file is deleted: no row selected, the entry refused, or the user said No.
enum class WhenNothingIsDeleted {
    KeepTheList,         // the menu's Delete file
    ListTheFolderAgain,  // the Delete key, which also reads the folder again
};

// Deletes the selected row's file after asking, refusing the description file in use and folders, and
// brings the tables, the list and the description file up to date with one listing of the folder.
// Exactly the listed entry is deleted, or none; a deletion that fails says why and changes nothing.
// Unsaved descriptions of the other entries are kept.
void DeleteSelectedFile(WhenNothingIsDeleted otherwise);
