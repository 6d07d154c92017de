// New description file.
#pragma once

#include <windows.h>

// Lets the user choose a folder and file name in the Save dialog, lists the folder's entries with
// empty descriptions and writes the new description file.
void NewDescriptionFile(HWND owner);
