#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include "descfile/file_io.h"
#include "store/folder_enum.h"

namespace {

constexpr size_t ChunkSize = 1 << 20;

bool WriteAll(int file, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        size_t chunk = bytes.size() - written < ChunkSize ? bytes.size() - written : ChunkSize;
        ssize_t done = write(file, bytes.data() + written, chunk);
        if (done <= 0) {
            if (done == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        written += static_cast<size_t>(done);
    }
    return true;
}

FileStamp StampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.writeTime = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp, std::string* reason) {
    bytes.clear();
    // A pipe would block the open and the read, a device never end: the kind is looked at before the
    // open, and again on what was opened, without waiting for a pipe's writer, in case it changed since.
    struct stat info;
    int opened = -1;
    int error = stat(path.c_str(), &info) != 0 ? errno : 0;
    if (error == 0 && S_ISREG(info.st_mode)) {
        opened = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        error = opened < 0 || fstat(opened, &info) != 0 ? errno : 0;
    }
    const char* refusal = nullptr;
    if (error == 0 && S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (error == 0 && !S_ISREG(info.st_mode)) {
        refusal = NotRegularFileReason;
    } else if (error == 0 && static_cast<uint64_t>(info.st_size) > LargestFileRead) {
        refusal = TooLargeFileReason;
    }
    if (error == 0 && refusal == nullptr) {
        if (stamp != nullptr) {
            *stamp = StampOf(info);
        }
        bytes.reserve(static_cast<size_t>(info.st_size));
        char buffer[64 * 1024];
        for (;;) {
            ssize_t got = read(opened, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                error = got < 0 ? errno : 0;
                break;
            }
            bytes.append(buffer, static_cast<size_t>(got));
            // A file that grows past the limit while it is read is refused as one that large.
            if (bytes.size() > LargestFileRead) {
                refusal = TooLargeFileReason;
                break;
            }
        }
        if (error == 0 && refusal == nullptr && stamp != nullptr) {
            stamp->digest = DigestOfBytes(bytes);
        }
    }
    if (opened >= 0) {
        close(opened);
    }
    if (error != 0 || refusal != nullptr) {
        bytes.clear();
        if (reason != nullptr) {
            *reason = refusal != nullptr ? refusal : SystemErrorText(error);
        }
        return false;
    }
    return true;
}

FileStamp StampOfFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return FileStamp();
    }
    return StampOf(info);
}

// rename() replaces in one step: the old file is never moved aside, so both are never kept.
bool ReplaceFileContent(const std::string& path, const std::string& bytes, std::string& reason, bool*) {
    struct stat info;
    bool exists = stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        reason = "A folder has that name.";
        return false;
    }
    // Root may write anything, so read-only is judged by the file's own mode, as Windows does.
    if (exists && (info.st_mode & 0222) == 0) {
        reason = "The file is read-only.";
        return false;
    }
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    // mkstemp creates a new file of a fresh name and never opens one that is there already.
    std::string temporary = folder + "/~qmXXXXXX";
    int file = mkstemp(&temporary[0]);
    if (file < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    // A new file gets the mode the process's umask gives one; a replaced file keeps its own.
    mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(file, exists ? (info.st_mode & 07777) : (0666 & ~mask)) == 0 && WriteAll(file, bytes) &&
              fsync(file) == 0;
    int error = ok ? 0 : errno;
    if (close(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        reason = SystemErrorText(error);
    }
    return ok;
}

bool CreateFileIfMissing(const std::string& path) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT, 0666);
    if (file < 0) {
        return false;
    }
    close(file);
    return true;
}
