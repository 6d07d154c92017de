// Open description file.
#pragma once

#include <windows.h>

// Offers to save unsaved changes, lets the user choose a description file in the Open dialog, lists the
// folder that holds it and loads it. A folder that cannot be listed, and a file that cannot be read or is
// no description file, are refused and change nothing.
void OpenDescriptionFile(HWND owner);
