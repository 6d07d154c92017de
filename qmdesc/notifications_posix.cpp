#include "qmdesc/notifications.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "store/folder_enum.h"

const bool LoneHalfMeansLost = false;

namespace {

int Notifications = -1;
// The stop signals' handler writes a byte here, so that a wait in poll sees it.
int StopPipe[2] = {-1, -1};
volatile sig_atomic_t StopAsked = 0;

void AskToStop(int) {
    int saved = errno;
    StopAsked = 1;
    [[maybe_unused]] ssize_t ignored = write(StopPipe[1], "s", 1);
    errno = saved;
}

// The changes in one read of the notifications, appended to changes.
void TakeEvents(const char* buffer, ssize_t length, std::vector<FolderChange>& changes) {
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
        const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        FolderChange change;
        change.watch = event->wd;
        change.cookie = event->cookie;
        change.name = event->len > 0 ? event->name : "";
        if ((event->mask & IN_Q_OVERFLOW) != 0) {
            change.kind = ChangeKind::Lost;
            change.watch = -1;
        } else if ((event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) != 0) {
            change.kind = ChangeKind::FolderGone;
        } else if ((event->mask & IN_MOVED_FROM) != 0) {
            change.kind = ChangeKind::RenamedFrom;
        } else if ((event->mask & IN_MOVED_TO) != 0) {
            change.kind = ChangeKind::RenamedTo;
        } else if ((event->mask & IN_CREATE) != 0) {
            change.kind = ChangeKind::Added;
        } else if ((event->mask & IN_DELETE) != 0) {
            change.kind = ChangeKind::Removed;
        } else {
            continue;
        }
        changes.push_back(std::move(change));
    }
}

}  // namespace

bool StartNotifications(std::string& reason) {
    Notifications = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Notifications < 0 || pipe2(StopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

int WatchFolder(const std::string& path, std::string& reason) {
    int watch = inotify_add_watch(Notifications, path.c_str(),
                                  IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                      IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK);
    if (watch < 0) {
        reason = errno == ENOSPC ? "the system's limit of watched folders is reached "
                                   "(/proc/sys/fs/inotify/max_user_watches)"
                                 : SystemErrorText(errno);
    }
    return watch;
}

void StopWatching(int watch) {
    inotify_rm_watch(Notifications, watch);
}

Waited WaitForChanges(int milliseconds, std::vector<FolderChange>& changes) {
    pollfd waits[2] = {{Notifications, POLLIN, 0}, {StopPipe[0], POLLIN, 0}};
    int ready = StopAsked ? 0 : poll(waits, 2, milliseconds);
    if (ready < 0 && errno != EINTR) {
        return Waited::Stopped;
    }
    size_t before = changes.size();
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t length; (length = read(Notifications, buffer, sizeof buffer)) > 0;) {
        TakeEvents(buffer, length, changes);
    }
    if (StopAsked) {
        return Waited::Stopped;
    }
    return changes.size() > before ? Waited::Changes : Waited::TimedOut;
}
