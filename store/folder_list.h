// The folder's entries in the file list.
#pragma once

// Reads the current directory's entry names into the tables (descriptions stay with their names)
// and rebuilds the list.
void ScanFolder();

// Rebuilds every row of the file list from the tables, row r showing slot r, and shows the number of
// entries in the status bar.
void FillFileList();
