// The seams: every call that leaves the program (the shell, the file dialogs, the popup menu, the reason
// for holding up the session's end) goes through one of these pointers. They point at the real functions;
// the tests point them at recorders.
#pragma once

#include <windows.h>

#include <commdlg.h>

// OpenEntryWithShell: opens an entry (folder and exact name) with the shell's "open" verb.
extern BOOL(WINAPI* OpenEntrySeam)(HWND owner, LPCWSTR folder, LPCWSTR name);
// ShellExecuteA.
extern HINSTANCE(WINAPI* ShellExecuteSeam)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
// GetSaveFileNameA.
extern BOOL(WINAPI* SaveDialogSeam)(LPOPENFILENAMEA);
// GetOpenFileNameA.
extern BOOL(WINAPI* OpenDialogSeam)(LPOPENFILENAMEA);
// TrackPopupMenu.
extern BOOL(WINAPI* PopupMenuSeam)(HMENU, UINT, int, int, int, HWND, const RECT*);
// CommDlgExtendedError: why a file dialog returned no file.
extern DWORD(WINAPI* DialogErrorSeam)();
// ShutdownBlockReasonCreate: the reason Windows shows while the program holds up the end of the session.
extern BOOL(WINAPI* ShutdownBlockReasonSeam)(HWND, LPCWSTR);
// ShutdownBlockReasonDestroy.
extern BOOL(WINAPI* ShutdownUnblockSeam)(HWND);
