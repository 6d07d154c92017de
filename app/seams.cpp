#include "app/seams.h"

#include <shellapi.h>

#include "actions/open_entry_win.h"

BOOL(WINAPI* OpenEntrySeam)(HWND, LPCWSTR, LPCWSTR) = OpenEntryWithShell;
HINSTANCE(WINAPI* ShellExecuteSeam)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;
BOOL(WINAPI* SaveDialogSeam)(LPOPENFILENAMEA) = GetSaveFileNameA;
BOOL(WINAPI* OpenDialogSeam)(LPOPENFILENAMEA) = GetOpenFileNameA;
BOOL(WINAPI* PopupMenuSeam)(HMENU, UINT, int, int, int, HWND, const RECT*) = TrackPopupMenu;
DWORD(WINAPI* DialogErrorSeam)() = CommDlgExtendedError;
BOOL(WINAPI* ShutdownBlockReasonSeam)(HWND, LPCWSTR) = ShutdownBlockReasonCreate;
BOOL(WINAPI* ShutdownUnblockSeam)(HWND) = ShutdownBlockReasonDestroy;
