#include "qmdesc/notifications.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "qmdesc/system.h"
#include "store/folder_enum.h"

std::string WatchStopEventName;

const bool LoneHalfMeansLost = true;

namespace {

// A folder's pending ReadDirectoryChangesW: each folder has a small buffer until it changes, so that a
// tree of thousands of folders costs little, and a large one from then on, so that a burst fits.
struct DirectoryWatch {
    OVERLAPPED overlapped = {};  // first: the completion routine is given its address
    HANDLE folder = INVALID_HANDLE_VALUE;
    int id = 0;
    bool closing = false;        // StopWatching closed it: the aborted read's completion frees it
    unsigned oldNameCookie = 0;  // a rename's old name at the end of the last read, waiting for its new name
    DWORD size = 0;
    std::unique_ptr<DWORD[]> buffer;
};

constexpr DWORD FirstBufferBytes = 16 * 1024, BusyBufferBytes = 256 * 1024, LargestBufferBytes = 1024 * 1024;

std::unordered_map<int, DirectoryWatch*> Watches;
int NextWatch = 1;
unsigned NextCookie = 1;
std::vector<FolderChange> Pending;  // what the completion routines took, for WaitForChanges
HANDLE StopEvents[2] = {nullptr, nullptr};
DWORD StopEventCount = 0;

bool Read(DirectoryWatch* watch);

void WINAPI Completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
    DirectoryWatch* watch = reinterpret_cast<DirectoryWatch*>(overlapped);
    if (watch->closing) {
        delete watch;
        return;
    }
    DWORD grown = watch->size;
    if (error == ERROR_NOTIFY_ENUM_DIR || (error == ERROR_SUCCESS && bytes == 0)) {
        // More changed than the buffer held: the system kept none of it.
        Pending.push_back({watch->id, ChangeKind::Lost, "", 0});
        grown = LargestBufferBytes;
    } else if (error != ERROR_SUCCESS) {
        Pending.push_back({watch->id, ChangeKind::FolderGone, "", 0});
        return;
    } else {
        const BYTE* at = reinterpret_cast<const BYTE*>(watch->buffer.get());
        for (;;) {
            const FILE_NOTIFY_INFORMATION* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            FolderChange change{
                watch->id, ChangeKind::Added,
                Utf8OfWide(std::wstring_view(record->FileName, record->FileNameLength / sizeof(WCHAR))), 0};
            switch (record->Action) {
                case FILE_ACTION_ADDED:
                    break;
                case FILE_ACTION_REMOVED:
                    change.kind = ChangeKind::Removed;
                    break;
                case FILE_ACTION_RENAMED_OLD_NAME:
                    change.kind = ChangeKind::RenamedFrom;
                    change.cookie = watch->oldNameCookie = NextCookie++;
                    break;
                case FILE_ACTION_RENAMED_NEW_NAME:
                    change.kind = ChangeKind::RenamedTo;
                    // The new name follows its old one; alone, its old one was lost.
                    change.cookie = watch->oldNameCookie != 0 ? watch->oldNameCookie : NextCookie++;
                    watch->oldNameCookie = 0;
                    break;
                default:
                    change.kind = ChangeKind::Lost;
                    break;
            }
            if (change.kind != ChangeKind::Lost) {
                Pending.push_back(std::move(change));
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
        grown = bytes > watch->size / 2 ? LargestBufferBytes : std::max(watch->size, BusyBufferBytes);
    }
    if (grown != watch->size) {
        watch->size = grown;
        watch->buffer.reset(new DWORD[grown / sizeof(DWORD)]);
    }
    if (!Read(watch)) {
        Pending.push_back({watch->id, ChangeKind::FolderGone, "", 0});
    }
}

bool Read(DirectoryWatch* watch) {
    return ReadDirectoryChangesW(watch->folder, watch->buffer.get(), watch->size, FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr,
                                 &watch->overlapped, Completed) != 0;
}

BOOL WINAPI AskToStop(DWORD signal) {
    SetEvent(StopEvents[0]);
    // Windows ends the process when this returns from a console's closing: give the write in progress
    // the time Windows allows.
    if (signal == CTRL_CLOSE_EVENT || signal == CTRL_LOGOFF_EVENT || signal == CTRL_SHUTDOWN_EVENT) {
        Sleep(4000);
    }
    return TRUE;
}

}  // namespace

bool StartNotifications(std::string& reason) {
    StopEvents[0] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StopEventCount = 1;
    if (!WatchStopEventName.empty()) {
        StopEvents[1] = CreateEventW(nullptr, TRUE, FALSE, WideOfUtf8(WatchStopEventName).c_str());
        StopEventCount = StopEvents[1] != nullptr ? 2 : 1;
    }
    if (StopEvents[0] == nullptr || !SetConsoleCtrlHandler(AskToStop, TRUE)) {
        reason = SystemErrorText(GetLastError());
        return false;
    }
    return true;
}

int WatchFolder(const std::string& path, std::string& reason) {
    // The path as it stands, past the normalisation that would drop a trailing blank or dot.
    std::wstring wide = WideOfUtf8(path);
    if (wide.size() > 2 && wide[1] == L':') {
        wide = L"\\\\?\\" + wide;
    } else if (wide.compare(0, 2, L"\\\\") == 0 && wide.compare(0, 4, L"\\\\?\\") != 0) {
        wide = L"\\\\?\\UNC\\" + wide.substr(2);
    }
    HANDLE folder =
        CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        reason = SystemErrorText(GetLastError());
        return -1;
    }
    DirectoryWatch* watch = new DirectoryWatch;
    watch->folder = folder;
    watch->id = NextWatch++;
    watch->size = FirstBufferBytes;
    watch->buffer.reset(new DWORD[FirstBufferBytes / sizeof(DWORD)]);
    if (!Read(watch)) {
        reason = SystemErrorText(GetLastError());
        CloseHandle(folder);
        delete watch;
        return -1;
    }
    Watches[watch->id] = watch;
    return watch->id;
}

void StopWatching(int id) {
    auto found = Watches.find(id);
    if (found == Watches.end()) {
        return;
    }
    DirectoryWatch* watch = found->second;
    Watches.erase(found);
    watch->closing = true;
    CancelIo(watch->folder);
    CloseHandle(watch->folder);
    watch->folder = INVALID_HANDLE_VALUE;
}

Waited WaitForChanges(int milliseconds, std::vector<FolderChange>& changes) {
    DWORD wait = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    for (;;) {
        // Completion routines run in an alertable wait; once some did, those ready too are taken at once.
        DWORD waited =
            WaitForMultipleObjectsEx(StopEventCount, StopEvents, FALSE, Pending.empty() ? wait : 0, TRUE);
        if (waited == WAIT_IO_COMPLETION) {
            continue;
        }
        bool stopped = waited == WAIT_OBJECT_0 || waited == WAIT_OBJECT_0 + 1 || waited == WAIT_FAILED;
        bool any = !Pending.empty();
        changes.insert(changes.end(), std::make_move_iterator(Pending.begin()),
                       std::make_move_iterator(Pending.end()));
        Pending.clear();
        return stopped ? Waited::Stopped : any ? Waited::Changes : Waited::TimedOut;
    }
}
