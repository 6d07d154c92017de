#include "app/seams.h"

#include <shellapi.h>

HINSTANCE(WINAPI* ShellOpen)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;
BOOL(WINAPI* ShowSaveDialog)(LPOPENFILENAMEA) = GetSaveFileNameA;
BOOL(WINAPI* ShowOpenDialog)(LPOPENFILENAMEA) = GetOpenFileNameA;
BOOL(WINAPI* ShowPopupMenu)(HMENU, UINT, int, int, int, HWND, const RECT*) = TrackPopupMenu;
