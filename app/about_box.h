// The About box.
#pragma once

#include <windows.h>

// Procedure of dialog 30: OK ends it with 31, the close button with 0; Escape does nothing.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
