// The folder being described is the process's current directory. These calls are the only way the
// core touches it; folder_enum_win.cpp and folder_enum_posix.cpp implement them.
#pragma once

#include <string>
#include <vector>

// Every entry of the current directory matching "*.*", in the order the file system returns them,
// nothing filtered: ".", "..", subfolders, hidden entries. A folder that cannot be listed (gone, not
// readable) is no empty folder: the result is false, names is left as it was and reason holds the
// system's words for it.
bool ListCurrentFolder(std::vector<std::string>& names, std::string& reason);

// Full path of the current directory (a drive root keeps its trailing backslash); empty on failure.
std::string CurrentFolderPath();

// The system's own words for an error code (GetLastError's on Windows, errno's elsewhere), with no
// line end after them.
std::string SystemErrorText(unsigned long code);

// Makes folder the current directory; false when it cannot, with the system's words in reason.
bool ChangeCurrentFolder(const std::string& folder, std::string* reason = nullptr);
