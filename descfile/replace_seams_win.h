// The calls of a replace that the tests make fail: Windows can fail to put the old file back after a
// failed ReplaceFileW, which no file system under Wine reproduces.
#pragma once

#include <windows.h>

// ReplaceFileW.
extern BOOL(WINAPI* ReplaceFileSeam)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
// MoveFileExW, as a failed replace puts the old file back under its name.
extern BOOL(WINAPI* MoveBackSeam)(LPCWSTR, LPCWSTR, DWORD);
