#include "actions/open_entry_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "descfile/text_helpers.h"

namespace {

// An item identifier list, freed when it goes out of scope.
struct HeldItem {
    ITEMIDLIST* list = nullptr;
    ~HeldItem() { ILFree(list); }
};

// A shell folder, released when it goes out of scope.
struct HeldFolder {
    IShellFolder* folder = nullptr;
    ~HeldFolder() {
        if (folder != nullptr) {
            folder->Release();
        }
    }
};

// The item for the entry name of folder. Parsing a whole path would strip a trailing dot or blank from
// the name, so the folder is parsed by its path and the entry by its name within it, and the item is
// taken only when the shell's path for it is the path asked for.
bool ParseEntry(HWND owner, const std::wstring& folder, std::wstring name, HeldItem& item) {
    HeldItem folderItem, child;
    HeldFolder desktop, parent;
    if (FAILED(SHParseDisplayName(folder.c_str(), nullptr, &folderItem.list, 0, nullptr)) ||
        FAILED(SHGetDesktopFolder(&desktop.folder)) ||
        FAILED(desktop.folder->BindToObject(folderItem.list, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(&parent.folder))) ||
        FAILED(parent.folder->ParseDisplayName(owner, nullptr, &name[0], nullptr, &child.list, nullptr))) {
        return false;
    }
    item.list = ILCombine(folderItem.list, child.list);
    wchar_t found[MAX_PATH] = {};
    std::wstring asked = JoinedPath(folder, name, L'\\');
    return item.list != nullptr && SHGetPathFromIDListW(item.list, found) && asked == found;
}

}  // namespace

BOOL WINAPI OpenEntryWithShell(HWND owner, LPCWSTR folder, LPCWSTR name) {
    // The folder comes from the listing or FolderOfPath, so a root keeps its backslash ("C:" alone would
    // name the drive's current folder).
    HeldItem item;
    bool parsed = *name == L'\0' ? SUCCEEDED(SHParseDisplayName(folder, nullptr, &item.list, 0, nullptr))
                                 : ParseEntry(owner, folder, name, item);
    if (!parsed) {
        return FALSE;
    }
    SHELLEXECUTEINFOW open = {};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_IDLIST;
    open.hwnd = owner;
    open.lpVerb = L"open";
    open.lpIDList = item.list;
    open.nShow = SW_SHOWNORMAL;
    // A file the shell cannot open (no program for it) is the shell's to report, in its own words.
    ShellExecuteExW(&open);
    return TRUE;
}
