#include "app/seams.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

// The shell takes no "\\?\" paths, and parsing a whole path would strip a trailing dot or blank from
// the name. So the folder is parsed by its path, the entry by its exact name within it, and the item
// is opened only when the shell's path for it is the path asked for.
BOOL WINAPI OpenItemWithShell(HWND owner, LPCWSTR path) {
    std::wstring plain = path;
    if (plain.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        plain = L"\\\\" + plain.substr(8);
    } else if (plain.compare(0, 4, L"\\\\?\\") == 0) {
        plain = plain.substr(4);
    }
    size_t slash = plain.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return FALSE;
    }
    std::wstring folder = plain.substr(0, slash);
    std::wstring name = plain.substr(slash + 1);
    if (folder.find(L'\\') == std::wstring::npos) {
        folder += L'\\';  // "C:" alone is not the root
    }
    PIDLIST_ABSOLUTE item = nullptr;
    if (name.empty()) {
        if (FAILED(SHParseDisplayName(plain.c_str(), nullptr, &item, 0, nullptr))) {
            return FALSE;
        }
    } else {
        PIDLIST_ABSOLUTE folderItem = nullptr;
        IShellFolder* desktop = nullptr;
        IShellFolder* parent = nullptr;
        PIDLIST_RELATIVE child = nullptr;
        if (SUCCEEDED(SHParseDisplayName(folder.c_str(), nullptr, &folderItem, 0, nullptr)) &&
            SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
            SUCCEEDED(desktop->BindToObject(folderItem, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(&parent))) &&
            SUCCEEDED(parent->ParseDisplayName(owner, nullptr, &name[0], nullptr, &child, nullptr))) {
            item = ILCombine(folderItem, child);
        }
        ILFree(child);
        if (parent != nullptr) {
            parent->Release();
        }
        if (desktop != nullptr) {
            desktop->Release();
        }
        ILFree(folderItem);
        wchar_t found[MAX_PATH] = {};
        if (item != nullptr && (!SHGetPathFromIDListW(item, found) || plain != found)) {
            ILFree(item);
            item = nullptr;
        }
        if (item == nullptr) {
            return FALSE;
        }
    }
    SHELLEXECUTEINFOW open = {};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_IDLIST;
    open.hwnd = owner;
    open.lpVerb = L"open";
    open.lpIDList = item;
    open.nShow = SW_SHOWNORMAL;
    // A file the shell cannot open (no program for it) is the shell's to report, in its own words.
    ShellExecuteExW(&open);
    ILFree(item);
    return TRUE;
}

}  // namespace

BOOL(WINAPI* OpenWithShell)(HWND, LPCWSTR) = OpenItemWithShell;
HINSTANCE(WINAPI* ShellOpen)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;
BOOL(WINAPI* ShowSaveDialog)(LPOPENFILENAMEA) = GetSaveFileNameA;
BOOL(WINAPI* ShowOpenDialog)(LPOPENFILENAMEA) = GetOpenFileNameA;
BOOL(WINAPI* ShowPopupMenu)(HMENU, UINT, int, int, int, HWND, const RECT*) = TrackPopupMenu;
