// The file list's rows: row r shows table slot r, its texts asked for when drawn or read.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Makes the file list show the tables, row r showing slot r, with no row selected, and shows the number
// of entries in the status bar. The rows hold no texts (the list asks FileListText), so rows are kept.
void FillFileList();

// Answers the file list's LVN_GETDISPINFOA: the text of row r is FolderFiles[r] (column 0) or
// FolderDescriptions[r] (column 1), cut to the asker's buffer; a row beyond FileCount is empty.
void FileListText(NMLVDISPINFOA* info);

// Shows row's texts again after its slot changed and leaves no row selected, as a refill would; the
// other rows and the status bar stay as they are.
void UpdateFileListRow(int row);
