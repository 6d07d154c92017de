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
    return WideOfBytes(CP_ACP, ansi);
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
    return JoinedPath(std::wstring_view(folder), std::wstring_view(name), L'\\');
}

// The length of the root of a path: "C:\", "\\server\share", or "C:" alone, which names that drive's
// current folder; 0 when it has none.
size_t RootLength(const std::wstring& full) {
    if (full.compare(0, 2, L"\\\\") == 0) {
        size_t server = full.find(L'\\', 2);
        size_t share = server == std::wstring::npos ? std::wstring::npos : full.find(L'\\', server + 1);
        return share == std::wstring::npos ? full.size() : share;
    }
    if (full.size() >= 2 && full[1] == L':') {
        return full.size() >= 3 && full[2] == L'\\' ? 3 : 2;
    }
    return 0;
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
bool IdentityOfExactPath(const std::wstring& path,
                         EntryIdentity& identity,
                         std::string* reason,
                         EntryKind* kind = nullptr) {
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
    if (kind != nullptr) {
        *kind = {(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                 (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
    }
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

// The full path of a wide path as Windows makes it, prefixed so that it is then taken as it stands;
// empty when it has none.
std::wstring UnnormalisedWide(const std::wstring& wide) {
    DWORD size = wide.empty() ? 0 : GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
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

// The current directory as a name relative to it reaches it, prefixed: Windows drops a trailing blank or
// dot from "." itself, and Wine drops a trailing dot from a folder before a name too, so the folder is
// read off the full path of a name in it.
std::wstring CurrentFolderAsReached() {
    std::wstring entry = UnnormalisedWide(L"entry");
    return entry.empty() ? entry : FolderOfPath(entry, L"\\");
}

}  // namespace

std::wstring WideOfBytes(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    int length = static_cast<int>(bytes.size());
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, &wide[0], size);
    return wide;
}

std::string BytesOfWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) {
        return std::string();
    }
    int length = static_cast<int>(wide.size());
    int size = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), length, &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::string AnsiOf(const wchar_t* wide) {
    return BytesOfWide(CP_ACP, wide);
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
    folder = *exact == L".." ? FolderOfPath(ListedFolder, L"\\") : ListedFolder;
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
    return UnnormalisedWide(WideOf(path));
}

bool SetCurrentFolderExactly(const std::string& path, std::string* reason) {
    std::wstring full = WideOfBytes(CP_UTF8, FullPathAsGiven(path));
    if (!NameEndsInBlankOrDot(std::wstring_view(full))) {
        if (SetCurrentDirectoryW(full.c_str())) {
            return true;
        }
    } else {
        // Only the prefix keeps such a name; then the folder must be the one names in it reach.
        EntryIdentity wanted, reached;
        std::wstring previous = CurrentFolderWide();
        if (IdentityOfExactPath(WithoutNormalising(full), wanted, reason) &&
            SetCurrentDirectoryW(WithoutNormalising(full).c_str())) {
            if (IdentityOfExactPath(CurrentFolderAsReached(), reached, reason) && reached == wanted) {
                return true;
            }
            SetCurrentDirectoryW(previous.c_str());
            if (reason != nullptr) {
                *reason = EndsInBlankOrDotReason;
            }
            return false;
        }
    }
    if (reason != nullptr) {
        *reason = SystemErrorText(GetLastError());
    }
    return false;
}

bool IdentityOfEntry(const std::string& path,
                     EntryIdentity& identity,
                     std::string* reason,
                     PathForm form,
                     EntryKind* kind) {
    std::wstring wide = form == PathForm::Exact ? WideOfBytes(CP_UTF8, path) : WideOf(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    // A full path is taken as it stands; the prefix keeps Windows from dropping a trailing blank or dot.
    bool full = (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') || wide.compare(0, 2, L"\\\\") == 0;
    std::wstring exact = wide == L"." ? CurrentFolderAsReached()
                         : full       ? WithoutNormalising(wide)
                                      : UnnormalisedWide(wide);
    if (exact.empty()) {
        if (reason != nullptr) {
            *reason = SystemErrorText(ERROR_INVALID_NAME);
        }
        return false;
    }
    return IdentityOfExactPath(exact, identity, reason, kind);
}

std::string FullPathAsGiven(const std::string& path) {
    std::wstring given = WideOfBytes(CP_UTF8, path);
    std::replace(given.begin(), given.end(), L'/', L'\\');
    if (given.compare(0, 4, L"\\\\?\\") == 0) {
        return path;  // taken as it stands already
    }
    std::wstring full, rest = given;
    if (RootLength(given) > 0) {
        full = given.substr(0, RootLength(given));
        rest = given.substr(full.size());
        if (full.size() == 2 && full[1] == L':') {
            // "C:name" is taken from that drive's current folder.
            full = UnnormalisedWide(full).substr(4);
        }
    } else {
        full = CurrentFolderWide();
        if (given.compare(0, 1, L"\\") == 0) {
            full = full.substr(0, RootLength(full));
        }
    }
    if (full.empty()) {
        return path;
    }
    size_t root = RootLength(full);
    for (size_t start = 0; start <= rest.size();) {
        size_t end = std::min(rest.find(L'\\', start), rest.size());
        std::wstring name = rest.substr(start, end - start);
        if (name == L"..") {
            full = full.size() > root ? FolderOfPath(std::wstring_view(full), L"\\") : full;
        } else if (!name.empty() && name != L".") {
            full = Joined(full, name);
        }
        start = end + 1;
    }
    return BytesOfWide(CP_UTF8, full);
}

bool SpelledInCodePage(const std::string& path, std::string& reason) {
    std::wstring wide = WideOfBytes(CP_UTF8, path);
    BOOL lost = FALSE;
    std::string ansi(wide.size() * 2 + 1, '\0');
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                     &ansi[0], static_cast<int>(ansi.size()), nullptr, &lost);
    ansi.resize(length > 0 ? static_cast<size_t>(length) : 0);
    if (!lost && WideOfBytes(CP_ACP, ansi) == wide) {
        return true;
    }
    reason = "its path holds a character that code page " + std::to_string(GetACP()) + " cannot spell";
    return false;
}

const bool NamesLoseTrailingBlankOrDot = true;

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
