// The system's change notifications of folders, as watch takes them: inotify on Linux,
// ReadDirectoryChangesW on Windows, one watch per folder. notifications_posix.cpp and
// notifications_win.cpp implement them.
#pragma once

#include <string>
#include <vector>

// What a folder's notification says happened to one of its entries, or to the folder.
enum class ChangeKind {
    Added,        // made, or moved in from a folder not watched
    Removed,      // deleted, or moved out to a folder not watched
    RenamedFrom,  // the old name of a rename or move; its new name follows with the same cookie
    RenamedTo,    // the new name of a rename or move
    Lost,         // the system dropped notifications of the folder (of every folder: watch -1)
    FolderGone,   // the watched folder itself was deleted or can no longer be watched
};

// One notification.
struct FolderChange {
    int watch = -1;  // the folder's watch, as WatchFolder gave it
    ChangeKind kind = ChangeKind::Added;
    std::string name;     // the entry's name in the folder, UTF-8
    unsigned cookie = 0;  // the same for the two halves of one rename
};

// True where a rename's half alone means the other half was lost (Windows reports both halves of every
// rename within a folder); false where it means an entry moved in from, or out to, a folder not watched.
extern const bool LoneHalfMeansLost;

// Opens the system's notifications and takes Ctrl+C and the stop signals (SIGINT, SIGTERM; Windows:
// Ctrl+C, Ctrl+Break, closing the console, and WatchStopEventName) from now on. False, with why.
bool StartNotifications(std::string& reason);

// Starts watching the entries of the folder at path (full, UTF-8, as PathForm::Exact takes it). Returns
// the watch, or -1 with the system's words in reason.
int WatchFolder(const std::string& path, std::string& reason);

// Stops watching with watch; nothing when it is no longer watched.
void StopWatching(int watch);

// How a wait for notifications ended.
enum class Waited { Changes, TimedOut, Stopped };

// Waits up to milliseconds (-1: for ever) for notifications and appends those that came to changes; uses
// no processor time while it waits. Stopped once a stop signal came, whatever else did.
Waited WaitForChanges(int milliseconds, std::vector<FolderChange>& changes);
