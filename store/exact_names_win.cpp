#include "store/exact_names.h"

#include <windows.h>

#include <algorithm>

#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/handle_win.h"
#include "store/tables.h"

std::vector<std::wstring> ListedExactNames;
std::wstring ListedFolder;

namespace {

std::wstring WideOf(const std::string& ansi) {
    int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

// A full path with the prefix that stops Windows from normalising it: "\\?\C:\...", "\\?\UNC\server\...".
std::wstring WithoutNormalising(const std::wstring& full) {
    if (full.compare(0, 4, L"\\\\?\\") == 0) {
        return full;
    }
    if (full.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

// folder joined with name; a drive root already ends with its backslash.
std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') {
        return folder + name;
    }
    return folder + L'\\' + name;
}

// The exact name behind slot index, when the tables still come from the last listing of this folder
// and no other entry was listed under the same name: Wine lists Linux names that are not UTF-8 alike,
// and such a name leads to one of them only.
const std::wstring* ExactNameOf(int index) {
    if (index < 0 || index >= FileCount || static_cast<size_t>(index) >= ListedExactNames.size()) {
        return nullptr;
    }
    const std::wstring& exact = ListedExactNames[static_cast<size_t>(index)];
    if (AnsiOf(exact.c_str()) != FolderFiles[static_cast<size_t>(index)] ||
        CurrentFolderWide() != ListedFolder ||
        std::count(ListedExactNames.begin(), ListedExactNames.end(), exact) > 1) {
        return nullptr;
    }
    return &exact;
}

// The identity of what a "\\?\" path names; false with the system's words when it cannot be opened.
bool IdentityOfExactPath(const std::wstring& path, EntryIdentity& identity, std::string* reason) {
    // Backup semantics open a folder as well as a file; reading attributes alone locks nothing out.
    FileHandle entry(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    bool ok = entry.valid() && GetFileInformationByHandle(entry.get(), &information);
    DWORD error = GetLastError();
    if (!ok) {
        if (reason != nullptr) {
            *reason = SystemErrorText(error);
        }
        return false;
    }
    identity.volume = information.dwVolumeSerialNumber;
    identity.index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

// True when the entry of slot index is the file named name, letters compared without regard to case the
// way the file system does (each character folded on its own, by no language's rules).
bool EntryIsNamed(int index, const std::string& name) {
    const std::wstring* exact = ExactNameOf(index);
    std::wstring entry = exact != nullptr ? *exact : WideOf(FolderFiles[static_cast<size_t>(index)]);
    std::wstring other = WideOf(name);
    return CompareStringOrdinal(entry.c_str(), -1, other.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// The ANSI form of a wide name, as the A functions give it: best-fit letters, "?" where none fits.
std::string AnsiOf(const wchar_t* wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, &ansi[0], size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size) - 1);
    return ansi;
}

std::wstring CurrentFolderWide() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) {
        return std::wstring();
    }
    std::wstring folder(size, L'\0');
    DWORD length = GetCurrentDirectoryW(size, &folder[0]);
    if (length == 0 || length >= size) {
        return std::wstring();
    }
    folder.resize(length);
    return folder;
}

void RememberListing(std::wstring folder, std::vector<std::wstring> exactNames) {
    ListedFolder = std::move(folder);
    ListedExactNames = std::move(exactNames);
}

bool ExactEntryOf(int index, std::wstring& folder, std::wstring& name) {
    const std::wstring* exact = ExactNameOf(index);
    if (exact == nullptr || ListedFolder.empty()) {
        return false;
    }
    bool dots = *exact == L"." || *exact == L"..";
    folder = *exact == L".." ? FolderOfPath(std::wstring_view(ListedFolder)) : ListedFolder;
    name = dots ? std::wstring() : *exact;
    return true;
}

std::wstring ExactPathOfEntry(int index) {
    std::wstring folder, name;
    if (!ExactEntryOf(index, folder, name)) {
        return std::wstring();
    }
    return WithoutNormalising(name.empty() ? folder : Joined(folder, name));
}

std::wstring UnnormalisedPath(const std::string& path) {
    std::wstring wide = WideOf(path);
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (wide.empty() || size == 0) {
        return std::wstring();
    }
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) {
        return std::wstring();
    }
    full.resize(length);
    return WithoutNormalising(full);
}

bool IdentityOfEntry(const std::string& path, EntryIdentity& identity, std::string* reason) {
    std::wstring wide = WideOf(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    // A full path is taken as it stands; the prefix keeps Windows from dropping a trailing blank or dot.
    bool full = (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') || wide.compare(0, 2, L"\\\\") == 0;
    std::wstring exact = full ? WithoutNormalising(wide) : UnnormalisedPath(path);
    if (exact.empty()) {
        if (reason != nullptr) {
            *reason = SystemErrorText(ERROR_INVALID_NAME);
        }
        return false;
    }
    return IdentityOfExactPath(exact, identity, reason);
}

bool EntryIsDescriptionFile(int index) {
    // The name in any letter case first; then any other spelling of the same file (its short name, a
    // trailing dot) by identity.
    if (EntryIsNamed(index, CurrentDescFileName)) {
        return true;
    }
    std::wstring entry = ExactPathOfEntry(index);
    EntryIdentity listed, inUse;
    return !entry.empty() && IdentityOfExactPath(entry, listed, nullptr) &&
           IdentityOfExactPath(UnnormalisedPath(CurrentDescFile), inUse, nullptr) && listed == inUse;
}
