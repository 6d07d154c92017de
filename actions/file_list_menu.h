// The file list's own handling: the context menu, its commands and the Delete key.
#pragma once

#include <windows.h>

// Replacement procedure of the file list; passes every message it does not handle to the list's own.
LRESULT CALLBACK FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
