#include "qmdesc/search_path_win.h"

#include <windows.h>

#include <vector>

#include "qmdesc/system.h"
#include "store/folder_enum.h"

namespace {

const wchar_t UserEnvironment[] = L"Environment";
const wchar_t MachineEnvironment[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// An entry or a folder as a comparison takes it: without blanks and quotes around it or backslashes
// after it, its variables expanded, in lower case.
std::wstring ComparedForm(std::wstring entry) {
    size_t first = entry.find_first_not_of(L" \t\"");
    size_t last = entry.find_last_not_of(L" \t\"\\");
    entry = first == std::wstring::npos || last < first ? L"" : entry.substr(first, last - first + 1);
    wchar_t expanded[32768];
    DWORD length = ExpandEnvironmentStringsW(entry.c_str(), expanded, 32768);
    if (length > 0 && length <= 32768) {
        entry = expanded;
    }
    return FoldedCase(entry);
}

// The PATH's entries, split at each ";", empty ones included, so that joining them gives it back.
std::vector<std::wstring> Entries(const std::wstring& path) {
    std::vector<std::wstring> entries;
    size_t start = 0;
    for (size_t at = path.find(L';'); at != std::wstring::npos; at = path.find(L';', start)) {
        entries.push_back(path.substr(start, at - start));
        start = at + 1;
    }
    entries.push_back(path.substr(start));
    return entries;
}

// Changes the PATH value of the environment key with change, which returns false to leave it as it is;
// then tells the running programs that the environment changed.
template <typename Change>
bool ChangeSearchPath(bool machine, std::string& reason, Change change) {
    HKEY key;
    LONG result = RegCreateKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                  machine ? MachineEnvironment : UserEnvironment, 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        reason = SystemErrorText(result);
        return false;
    }
    DWORD type = REG_EXPAND_SZ;
    DWORD size = 0;
    std::wstring path;
    result = RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
        result = RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        path.assign(data.data());
    } else if (result == ERROR_FILE_NOT_FOUND) {
        // A user's environment without a PATH of its own.
        type = REG_EXPAND_SZ;
        result = ERROR_SUCCESS;
    }
    if (result == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        result = ERROR_INVALID_DATA;
    }
    if (result == ERROR_SUCCESS && change(path)) {
        result = RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(path.c_str()),
                                static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        if (result == ERROR_SUCCESS) {
            SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                                SMTO_ABORTIFHUNG, 5000, nullptr);
        }
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        reason = SystemErrorText(result);
    }
    return result == ERROR_SUCCESS;
}

}  // namespace

bool AddToSearchPath(const std::wstring& folder, bool machine, std::string& reason) {
    std::wstring wanted = ComparedForm(folder);
    return ChangeSearchPath(machine, reason, [&](std::wstring& path) {
        for (const std::wstring& entry : Entries(path)) {
            if (ComparedForm(entry) == wanted) {
                return false;
            }
        }
        path += (path.empty() || path.back() == L';' ? L"" : L";") + folder;
        return true;
    });
}

bool RemoveFromSearchPath(const std::wstring& folder, bool machine, std::string& reason) {
    std::wstring wanted = ComparedForm(folder);
    return ChangeSearchPath(machine, reason, [&](std::wstring& path) {
        std::wstring kept;
        bool removed = false;
        bool first = true;
        for (const std::wstring& entry : Entries(path)) {
            if (ComparedForm(entry) == wanted) {
                removed = true;
                continue;
            }
            kept += (first ? L"" : L";") + entry;
            first = false;
        }
        path = kept;
        return removed;
    });
}
