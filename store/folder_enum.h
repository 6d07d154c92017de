// The folder being described is the process's current directory. These two calls are the only way the
// core touches it; folder_enum_win.cpp and folder_enum_posix.cpp implement them.
#pragma once

#include <string>
#include <vector>

// Every entry of the current directory matching "*.*", in the order the file system returns them,
// nothing filtered: ".", "..", subfolders, hidden entries. Empty when the folder cannot be read.
std::vector<std::string> ListCurrentFolder();

// Full path of the current directory (a drive root keeps its trailing backslash); empty on failure.
std::string CurrentFolderPath();

// Makes folder the current directory; false when it cannot.
bool ChangeCurrentFolder(const std::string& folder);
