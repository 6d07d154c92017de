// Open description file, and the load sequence it shares with Refresh folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "descfile/file_io.h"

// Offers to save unsaved changes, lets the user choose a description file in the Open dialog and
// loads it with the folder that holds it. A file that cannot be read or is no description file, and a
// folder that cannot be listed, are refused and change nothing.
void OpenDescriptionFile(HWND owner);

// Loads the description text of the file at path, read with the given stamp, with names, the listing
// of its folder, into the tables and the main window: title, rows, working folder, folder description
// box, editing enabled; path becomes the description file in use. A text without "<folder_name>" or
// too large for memory is refused with a message and changes nothing; the result says whether it was
// loaded. A text that ends inside an entry's block is loaded as it reads, with a warning.
bool LoadDescriptionText(const std::string& path,
                         std::string text,
                         std::vector<std::string>& names,
                         const FileStamp& stamp);

// Reads the description file at path for loading; a file that cannot be read or is no description
// file is refused with a message naming why, and gives false.
bool ReadAcceptedDescriptionText(const std::string& path, std::string& text, FileStamp& stamp);

// Tells the user that the chosen file is no description file.
void ShowNotADescriptionFile();
