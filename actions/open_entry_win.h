// "Open file": an entry of the folder opened with its program through the shell.
#pragma once

#include <windows.h>

// Opens the entry name (exact, as the folder lists it) of folder (a full path without the "\\?\"
// prefix), or folder itself when name is empty, with the shell's "open" verb. FALSE, with nothing
// opened, when the shell cannot be given exactly that item.
BOOL WINAPI OpenEntryWithShell(HWND owner, LPCWSTR folder, LPCWSTR name);
