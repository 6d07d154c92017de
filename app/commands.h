// The main window's commands and notifications.
#pragma once

#include <windows.h>

// WM_COMMAND of the main window, cracked: menu items, toolbar buttons and the folder description box.
void OnMainCommand(HWND window, int id, HWND control, UINT code);

// WM_NOTIFY of the main window, cracked: a double-click from any control opens the selected row's
// description; the file list's cell texts and custom drawing.
LRESULT OnMainNotify(HWND window, int id, NMHDR* header);
