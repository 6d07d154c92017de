// The main window's commands and notifications.
#pragma once

#include <windows.h>

// WM_COMMAND of the main window: menu items, toolbar buttons and the folder description box.
LRESULT OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam);

// WM_NOTIFY of the main window: a double-click opens the selected row's description; the file list's
// cell texts and custom drawing.
LRESULT OnMainNotify(HWND window, WPARAM wParam, LPARAM lParam);
