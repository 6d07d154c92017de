// Whole-file reading with a file's stamp and digest, and safe replacement: for the description file and
// the files qmdesc reads and writes beside it. file_io.cpp holds the digest; file_io_win.cpp and
// file_io_posix.cpp the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What tells one version of a file from another: its size, its last-write time and a digest of its
// bytes. Times alone miss a change within a file system's time step or with its time put back.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t writeTime = 0;
    uint64_t digest = 0;  // DigestOfBytes of the content; 0 where only the metadata was read
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size && writeTime == other.writeTime &&
               digest == other.digest;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The most a file read whole may hold: 256 MiB. 10,000 entries with descriptions of several kilobytes
// each take a few tens of megabytes; a larger file is no file of the program's, and reading it would
// take more memory than a 32-bit program can be sure to have.
constexpr uint64_t LargestFileRead = 256u << 20;

// Why a file is not read: it is no regular file (a pipe, a device, a socket), or it is larger than
// LargestFileRead.
extern const char NotRegularFileReason[];
extern const char TooLargeFileReason[];

// Reads the file's bytes as they are, letting other programs read and write it meanwhile, and its stamp
// as it was read, with the digest of the bytes. Only a regular file is read (a link to one is followed),
// and only up to LargestFileRead, judged by its size before any byte is read. False when it cannot be
// opened or read (missing, a folder, locked, special, too large); reason then holds why. A file that
// does not fit in memory throws std::bad_alloc or std::length_error.
bool ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp, std::string* reason);

// A 64-bit digest of bytes: any change to them changes it, but for a chance of one in 2^64.
uint64_t DigestOfBytes(std::string_view bytes);

// The file's stamp as it is now, without a digest; exists is false when there is no file of that path.
FileStamp StampOfFile(const std::string& path);

// Replaces the file's content with bytes in one step: the bytes go to a new temporary file of a fresh
// name in the same folder, are flushed to disk, and the temporary file then takes the old one's place
// and attributes. Nothing that was in the folder is followed, reused or removed but the file itself. A
// read-only file is refused. On a failure the result is false and reason holds why; the old file is
// untouched and the temporary file is gone, but for one case: when the old file, moved aside to be
// replaced, cannot be put back under its name, both files are kept, *bothKept (when given) is set and
// reason names the file holding the old content and the one holding the new.
bool ReplaceFileContent(const std::string& path,
                        const std::string& bytes,
                        std::string& reason,
                        bool* bothKept = nullptr);

// Creates an empty file when none exists; an existing file is left as it is.
bool CreateFileIfMissing(const std::string& path);
