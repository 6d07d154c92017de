// Open description file, and the load sequence it shares with Refresh folder.
#pragma once

#include <windows.h>

#include <string>

// Offers to save unsaved changes, lets the user choose a description file in the Open dialog and
// loads it with the folder that holds it. A file that cannot be read or is no description file is
// refused and changes nothing.
void OpenDescriptionFile(HWND owner);

// Loads an accepted description text into the tables and the main window: title, rows, working
// folder, folder description box, editing enabled. A text without "<folder_name>" is refused with a
// message and changes nothing; the result says whether it was loaded.
bool LoadDescriptionText(const std::string& text);

// Tells the user that the chosen file is no description file.
void ShowNotADescriptionFile();
