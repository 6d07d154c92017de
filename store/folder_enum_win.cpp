#include "store/folder_enum.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "store/described_folder.h"
#include "store/exact_names.h"
#include "store/handle_win.h"

bool ListCurrentFolder(std::vector<std::string>& names, std::string& reason, std::vector<EntryKind>* kinds) {
    std::wstring folder = CurrentFolderWide();
    std::vector<std::string> listed;
    std::vector<std::wstring> exact;
    std::vector<EntryKind> listedKinds;
    WIN32_FIND_DATAW found;
    SearchHandle search(FindFirstFileW(L"*.*", &found));
    if (!search.valid()) {
        DWORD error = GetLastError();
        // Only an empty drive root matches nothing; a folder that is gone must not pass for one.
        DWORD attributes = GetFileAttributesW(L".");
        if (error != ERROR_FILE_NOT_FOUND || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            reason = SystemErrorText(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
            return false;
        }
    } else {
        do {
            listed.push_back(AnsiOf(found.cFileName));
            exact.emplace_back(found.cFileName);
            if (kinds != nullptr) {
                listedKinds.push_back({(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
            }
        } while (FindNextFileW(search.get(), &found));
        DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) {
            reason = SystemErrorText(error);
            return false;
        }
    }
    names = std::move(listed);
    if (kinds != nullptr) {
        *kinds = std::move(listedKinds);
    }
    RememberListing(std::move(folder), std::move(exact));
    return true;
}

std::string SystemErrorText(unsigned long code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = length > 0 ? std::string(text, length) : "Error " + std::to_string(code);
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) {
        words.pop_back();
    }
    return words;
}

std::string CurrentFolderPath() {
    char path[1024] = {};
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length >= sizeof path) {
        return std::string();
    }
    return std::string(path, length);
}

bool ChangeCurrentFolder(const std::string& folder, std::string* reason, PathForm form) {
    if (form == PathForm::Exact) {
        return SetCurrentFolderExactly(folder, reason);
    }
    if (SetCurrentDirectoryA(folder.c_str())) {
        return true;
    }
    if (reason != nullptr) {
        *reason = SystemErrorText(GetLastError());
    }
    return false;
}

// A named mutex of the folder's identity and the file's name: the same file reached by any path has
// the same lock, and Windows hands an abandoned one to the next waiter when its owner's process ends.
bool WriterLock::Take(const KnownFolder& folder, const std::string& fileName, std::string& reason) {
    Release();
    char name[64];
    std::snprintf(name, sizeof name, "Local\\Quillmark-%llx-%llx-",
                  static_cast<unsigned long long>(folder.identity.volume),
                  static_cast<unsigned long long>(folder.identity.index));
    // Names differ in letter case only as the file system does not tell them apart.
    std::string lowered = fileName;
    CharLowerBuffA(&lowered[0], static_cast<DWORD>(lowered.size()));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, (name + lowered).substr(0, MAX_PATH).c_str());
    if (mutex == nullptr) {
        reason = SystemErrorText(GetLastError());
        return false;
    }
    DWORD waited = WaitForSingleObject(mutex, WriterLockSeconds * 1000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        reason = waited == WAIT_TIMEOUT ? "Another program kept writing it for " +
                                              std::to_string(WriterLockSeconds) + " seconds."
                                        : SystemErrorText(GetLastError());
        CloseHandle(mutex);
        return false;
    }
    held_ = reinterpret_cast<intptr_t>(mutex);
    return true;
}

void WriterLock::Release() {
    if (held_ >= 0) {
        HANDLE mutex = reinterpret_cast<HANDLE>(static_cast<intptr_t>(held_));
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        held_ = -1;
    }
}
