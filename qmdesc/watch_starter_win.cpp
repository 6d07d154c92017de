#include "qmdesc/watch_starter_win.h"

#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "qmdesc/system.h"
#include "qmdesc/verbs.h"
#include "store/folder_enum.h"

namespace {

// In the session's own namespace: each signed-in user has a watcher of their own.
const wchar_t WatcherMutexName[] = L"Local\\Quillmark watch";
const char StopEventName[] = "Local\\Quillmark watch stop";

// Past this size the log is moved to watch.log.old when the watcher starts, replacing the one before.
const LONGLONG LogLimit = 1024 * 1024;

// How long --stop waits for the watcher to finish the write in progress and end.
const DWORD StopWait = 5000;

// A folder of the shell's (a CSIDL_ value) with its path; empty when this user has none.
std::wstring ShellFolder(int which) {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return L"";
    }
    return path;
}

// The log's folder, %LOCALAPPDATA%\Quillmark, made when missing; empty when there is no such folder.
std::wstring LogFolder() {
    std::wstring local = ShellFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE);
    if (local.empty()) {
        return L"";
    }
    std::wstring folder = local + L"\\Quillmark";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// The log, opened for appending and shared, so that Notepad reads it and a second start adds its line
// while the watcher writes.
HANDLE OpenLogForAppending(const std::wstring& path) {
    return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Moves a log grown past the limit to watch.log.old; a log that cannot be moved is kept and grows.
void MoveLongLog(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        (static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) > LogLimit) {
        MoveFileExW(path.c_str(), (path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

// The local time, as the log's lines begin: "2026-12-09 22:57:46 ".
std::string TimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

// Appends one line, with the time before it, to a log the watcher may be writing.
void AppendToLog(const std::wstring& path, const std::string& line) {
    HANDLE log = OpenLogForAppending(path);
    if (log != INVALID_HANDLE_VALUE) {
        std::string text = TimeNow() + line + "\n";
        DWORD written;
        WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(log);
    }
}

// True when inner is outer or lies inside it, in any letter case.
bool IsWithin(const std::wstring& inner, const std::wstring& outer) {
    std::wstring base = FoldedCase(outer);
    if (!base.empty() && base.back() != L'\\') {
        base += L'\\';
    }
    return (FoldedCase(inner) + L'\\').compare(0, base.size(), base) == 0;
}

// The user's Documents, Pictures and Desktop folders that exist, each once: a folder inside another
// (Pictures within Documents, or both the same) is watched with it.
std::vector<std::string> UsersFolders() {
    std::vector<std::wstring> found;
    for (int which : {CSIDL_PERSONAL, CSIDL_MYPICTURES, CSIDL_DESKTOPDIRECTORY}) {
        std::wstring folder = ShellFolder(which);
        DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            found.push_back(folder);
        }
    }
    std::vector<std::string> folders;
    for (size_t i = 0; i < found.size(); ++i) {
        bool covered = false;
        for (size_t j = 0; j < found.size() && !covered; ++j) {
            // Of two that are the same folder, the first is kept.
            covered = j != i && IsWithin(found[i], found[j]) && (!IsWithin(found[j], found[i]) || j < i);
        }
        if (!covered) {
            folders.push_back(Utf8OfWide(found[i]));
        }
    }
    return folders;
}

// The folders as the log's start line names them: each in quotes.
std::string QuotedList(const std::vector<std::string>& folders) {
    std::string list;
    for (const std::string& folder : folders) {
        list += (list.empty() ? "\"" : ", \"") + folder + "\"";
    }
    return list;
}

}  // namespace

int StartWatcher(const std::vector<std::string>& folders) {
    std::wstring logFolder = LogFolder();
    if (logFolder.empty()) {
        return 2;
    }
    std::wstring logPath = logFolder + L"\\watch.log";
    // Owning the mutex, not finding it made, marks the watcher: --stop opens it too. The process keeps it
    // to its end; the next start takes it over even when the process was ended from outside.
    HANDLE watcher = CreateMutexW(nullptr, FALSE, WatcherMutexName);
    DWORD waited = watcher == nullptr ? WAIT_FAILED : WaitForSingleObject(watcher, 0);
    if (waited == WAIT_TIMEOUT) {
        AppendToLog(logPath, "Already watching in this session: this start ends.");
        return 0;
    }
    MoveLongLog(logPath);
    HANDLE log = OpenLogForAppending(logPath);
    if (log == INVALID_HANDLE_VALUE) {
        return 2;
    }
    // qmdesc writes its lines to the standard handles, which a windowless process lacks.
    SetStdHandle(STD_OUTPUT_HANDLE, log);
    SetStdHandle(STD_ERROR_HANDLE, log);
    std::vector<std::string> watched = folders.empty() ? UsersFolders() : folders;
    if (watched.empty()) {
        WriteError(TimeNow() +
                   "None of the Documents, Pictures and Desktop folders exists: nothing to watch.\n");
        return 2;
    }
    WriteOutput(TimeNow() + "Watching " + QuotedList(watched) + ".\n");
    FlushOutput();
    WatchStopEventName = StopEventName;
    std::vector<std::string> arguments{"watch"};
    arguments.insert(arguments.end(), watched.begin(), watched.end());
    int code = RunQmdesc(arguments);
    WriteOutput(TimeNow() +
                (code == 0 ? std::string("Stopped.") : "Ended with exit code " + std::to_string(code) + ".") +
                "\n");
    FlushOutput();
    return code;
}

int StopWatcher() {
    HANDLE watcher = OpenMutexW(SYNCHRONIZE, FALSE, WatcherMutexName);
    if (watcher == nullptr) {
        return 0;
    }
    // Made here when the watcher has not made it yet, so that it finds the stop already asked.
    std::wstring eventName = WideOfUtf8(StopEventName);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    if (stop != nullptr) {
        SetEvent(stop);
    }
    DWORD waited = WaitForSingleObject(watcher, StopWait);
    bool ended = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (ended) {
        // A stop must not outlive the watcher it was for: the next one would end at once.
        if (stop != nullptr) {
            ResetEvent(stop);
        }
        ReleaseMutex(watcher);
    }
    if (stop != nullptr) {
        CloseHandle(stop);
    }
    CloseHandle(watcher);
    return ended ? 0 : 1;
}

int OpenWatchLog() {
    std::wstring logFolder = LogFolder();
    std::wstring logPath = logFolder + L"\\watch.log";
    HANDLE log = logFolder.empty() ? INVALID_HANDLE_VALUE : OpenLogForAppending(logPath);
    if (log != INVALID_HANDLE_VALUE) {
        CloseHandle(log);
        std::wstring quoted = L"\"" + logPath + L"\"";
        // Notepad is optional on current Windows: without it, whatever opens such files.
        if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"notepad.exe", quoted.c_str(), nullptr,
                                                    SW_SHOWNORMAL)) > 32 ||
            reinterpret_cast<INT_PTR>(
                ShellExecuteW(nullptr, L"open", logPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32) {
            return 0;
        }
    }
    std::wstring text =
        L"The watch log " + logPath + L" could not be opened: " + WideOfUtf8(SystemErrorText(GetLastError()));
    MessageBoxW(nullptr, text.c_str(), L"Quillmark", MB_OK | MB_ICONERROR);
    return 2;
}
