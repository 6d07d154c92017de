#include "store/folder_enum.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "descfile/text_helpers.h"
#include "store/described_folder.h"

bool ListCurrentFolder(std::vector<std::string>& names, std::string& reason, std::vector<EntryKind>* kinds) {
    DIR* folder = opendir(".");
    if (folder == nullptr) {
        reason = SystemErrorText(errno);
        return false;
    }
    std::vector<std::string> listed;
    std::vector<EntryKind> listedKinds;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(folder);
        if (entry == nullptr) {
            break;
        }
        listed.emplace_back(entry->d_name);
        if (kinds != nullptr) {
            unsigned char type = entry->d_type;
            struct stat info;
            // Some file systems leave the type to a look of one's own.
            if (type == DT_UNKNOWN &&
                fstatat(dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                type = S_ISLNK(info.st_mode) ? DT_LNK : S_ISDIR(info.st_mode) ? DT_DIR : DT_REG;
            }
            listedKinds.push_back({type == DT_DIR, type == DT_LNK});
        }
    }
    int error = errno;
    // A folder removed while it is the current directory still opens, and lists nothing at all.
    struct stat info;
    if (error == 0 && (fstat(dirfd(folder), &info) != 0 || info.st_nlink == 0)) {
        error = ENOENT;
    }
    closedir(folder);
    if (error != 0) {
        reason = SystemErrorText(error);
        return false;
    }
    names = std::move(listed);
    if (kinds != nullptr) {
        *kinds = std::move(listedKinds);
    }
    return true;
}

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

std::string CurrentFolderPath() {
    char path[4096];
    if (getcwd(path, sizeof path) == nullptr) {
        return std::string();
    }
    return std::string(path);
}

bool ChangeCurrentFolder(const std::string& folder, std::string* reason, PathForm) {
    if (chdir(folder.c_str()) == 0) {
        return true;
    }
    if (reason != nullptr) {
        *reason = SystemErrorText(errno);
    }
    return false;
}

std::string FullPathAsGiven(const std::string& path) {
    bool absolute = !path.empty() && path[0] == '/';
    std::string full = absolute ? "/" : CurrentFolderPath();
    if (full.empty()) {
        return path;
    }
    // ".." stays: through a symbolic link the system's ".." is not the name before it.
    for (size_t start = 0; start <= path.size();) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string_view name = std::string_view(path).substr(start, end - start);
        if (!name.empty() && name != ".") {
            full = JoinedPath(std::string_view(full), name, '/');
        }
        start = end + 1;
    }
    return full;
}

bool SpelledInCodePage(const std::string&, std::string&) {
    return true;
}

const bool NamesLoseTrailingBlankOrDot = false;

bool IdentityOfEntry(const std::string& path,
                     EntryIdentity& identity,
                     std::string* reason,
                     PathForm,
                     EntryKind* kind) {
    struct stat info;
    int error = stat(path.c_str(), &info) != 0 ? errno : 0;
    // A folder removed while it is the current directory still answers, with no link left to it.
    if (error == 0 && S_ISDIR(info.st_mode) && info.st_nlink == 0) {
        error = ENOENT;
    }
    if (error != 0) {
        if (reason != nullptr) {
            *reason = SystemErrorText(error);
        }
        return false;
    }
    identity.volume = static_cast<uint64_t>(info.st_dev);
    identity.index = static_cast<uint64_t>(info.st_ino);
    if (kind != nullptr) {
        *kind = {S_ISDIR(info.st_mode), false};
    }
    return true;
}

// The folder itself is locked (flock), so the lock needs no file of its own; the kernel drops it with the
// last descriptor, when the process ends.
bool WriterLock::Take(const KnownFolder&, const std::string&, std::string& reason) {
    Release();
    int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(WriterLockSeconds);
    while (flock(folder, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            reason = errno == EWOULDBLOCK ? "Another program kept writing it for " +
                                                std::to_string(WriterLockSeconds) + " seconds."
                                          : SystemErrorText(errno);
            close(folder);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    held_ = folder;
    return true;
}

void WriterLock::Release() {
    if (held_ >= 0) {
        close(static_cast<int>(held_));
        held_ = -1;
    }
}
