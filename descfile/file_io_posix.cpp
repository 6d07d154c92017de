#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

#include "descfile/file_io.h"

namespace {

constexpr size_t ChunkSize = 1 << 20;

bool WriteAll(int file, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        if (AllowChunkWrite && !AllowChunkWrite(written)) {
            return false;
        }
        size_t chunk = bytes.size() - written < ChunkSize ? bytes.size() - written : ChunkSize;
        ssize_t done = write(file, bytes.data() + written, chunk);
        if (done <= 0) {
            return false;
        }
        written += static_cast<size_t>(done);
    }
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    int file = open(path.c_str(), O_RDONLY);
    if (file < 0) {
        return false;
    }
    struct stat info;
    if (fstat(file, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(file);
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        ssize_t got = read(file, buffer, sizeof buffer);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(file);
    return ok;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
    struct stat info;
    bool exists = stat(path.c_str(), &info) == 0;
    // Root may write anything, so read-only is judged by the file's own mode, as Windows does.
    if (exists && (S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0)) {
        return false;
    }
    std::string temporary = TemporaryNameFor(path);
    int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, exists ? (info.st_mode & 07777) : 0644);
    if (file < 0) {
        return false;
    }
    bool ok = WriteAll(file, bytes) && fsync(file) == 0;
    ok = close(file) == 0 && ok;
    ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
    }
    return ok;
}

bool CreateFileIfMissing(const std::string& path) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (file < 0) {
        return false;
    }
    close(file);
    return true;
}
