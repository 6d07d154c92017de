// The folder's entries in the file list.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Reads the current directory's entry names into the tables (descriptions stay with their names)
// and rebuilds the list.
void ScanFolder();

// Rebuilds every row of the file list from the tables, row r showing slot r, and shows the number of
// entries in the status bar. The rows hold no texts: the list asks for them (FileListText).
void FillFileList();

// Answers the file list's LVN_GETDISPINFOA: the text of row r is FolderFiles[r] (column 0) or
// FolderDescriptions[r] (column 1), cut to the asker's buffer; a row beyond FileCount is empty.
void FileListText(NMLVDISPINFOA* info);

// Shows row's texts again after its slot changed and leaves no row selected, as a refill would; the
// other rows and the status bar stay as they are.
void UpdateFileListRow(int row);
