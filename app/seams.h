// The calls that leave the program (the shell, the file dialogs, the popup menu) go through these
// pointers, which point at the Win32 functions; tests point them at recorders.
#pragma once

#include <windows.h>

#include <commdlg.h>

// Opens the item at a path with the "\\?\" prefix (exact, not normalised) through the shell with its
// "open" verb; false, with nothing opened, when the shell cannot be given exactly that item (it would
// take the name for another one).
extern BOOL(WINAPI* OpenWithShell)(HWND owner, LPCWSTR path);
// ShellExecuteA.
extern HINSTANCE(WINAPI* ShellOpen)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
// GetSaveFileNameA.
extern BOOL(WINAPI* ShowSaveDialog)(LPOPENFILENAMEA);
// GetOpenFileNameA.
extern BOOL(WINAPI* ShowOpenDialog)(LPOPENFILENAMEA);
// TrackPopupMenu.
extern BOOL(WINAPI* ShowPopupMenu)(HMENU, UINT, int, int, int, HWND, const RECT*);
