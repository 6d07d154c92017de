// The folder's entries in the file list.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "store/described_folder.h"

// Reads the current directory's entry names into the tables (descriptions stay with their names)
// and rebuilds the list. A folder that cannot be listed is reported and changes nothing: false.
bool ScanFolder();

// Enters folder, checked to be that very folder, and lists it into names. A folder that cannot be
// entered or listed (gone, unplugged, not readable, another in its place) is reported in a message box
// naming it and the reason, and gives false.
bool ListKnownFolder(const KnownFolder& folder, std::vector<std::string>& names);

// ListKnownFolder of the described folder; false, saying nothing, while no file is in use.
bool ListDescribedFolder(std::vector<std::string>& names);

// Enters the described folder before an entry of it is deleted or opened; when it cannot be entered or
// another folder has taken its place, says so in a message box owned by owner and gives false.
bool EnterDescribedFolder(HWND owner);

// Makes the file list show the tables, row r showing slot r, with no row selected, and shows the number
// of entries in the status bar. The rows hold no texts (the list asks FileListText), so rows are kept.
void FillFileList();

// Answers the file list's LVN_GETDISPINFOA: the text of row r is FolderFiles[r] (column 0) or
// FolderDescriptions[r] (column 1), cut to the asker's buffer; a row beyond FileCount is empty.
void FileListText(NMLVDISPINFOA* info);

// Shows row's texts again after its slot changed and leaves no row selected, as a refill would; the
// other rows and the status bar stay as they are.
void UpdateFileListRow(int row);
