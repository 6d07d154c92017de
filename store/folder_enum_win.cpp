#include "store/folder_enum.h"

#include <windows.h>

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
