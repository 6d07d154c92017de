#include <windows.h>

#include "descfile/file_io.h"
#include "descfile/replace_seams_win.h"
#include "store/exact_names.h"
#include "store/folder_enum.h"
#include "store/handle_win.h"

BOOL(WINAPI* ReplaceFileSeam)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) = ReplaceFileW;
BOOL(WINAPI* MoveBackSeam)(LPCWSTR, LPCWSTR, DWORD) = MoveFileExW;

namespace {

// Chunks small enough that a failing disk is noticed early, large enough to cost nothing.
constexpr size_t ChunkSize = 1 << 20;

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk =
            static_cast<DWORD>(bytes.size() - written < ChunkSize ? bytes.size() - written : ChunkSize);
        DWORD done = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr)) {
            return false;
        }
        if (done != chunk) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        written += done;
    }
    return true;
}

FileStamp StampOf(uint64_t size, const FILETIME& written) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = size;
    stamp.writeTime =
        static_cast<int64_t>((static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
    return stamp;
}

// The path of a fresh short name in folder (a path with its "\\?\" prefix), one not given out before in
// this process.
std::wstring NextTemporaryName(const std::wstring& folder) {
    static DWORD next = GetTickCount() ^ (GetCurrentProcessId() << 16);
    wchar_t name[32];
    wsprintfW(name, L"~qm%08lx.tmp", static_cast<unsigned long>(next++));
    return folder + L'\\' + name;
}

// Creates a new, empty file of a fresh short name in folder and gives its handle and path. Only a name
// that nothing holds yet is taken: an existing entry, a link or a folder of that name is never opened.
HANDLE CreateTemporaryFile(const std::wstring& folder, std::wstring& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = NextTemporaryName(folder);
        HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        DWORD error = GetLastError();
        bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                     (error == ERROR_ACCESS_DENIED &&
                      GetFileAttributesW(temporary.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!taken) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// True when target is the file itself, not a link (or another spelling) that leads to it: ReplaceFileW
// follows a link and would move the file it leads to, which may lie in another folder, out of its place.
bool ReachedDirectly(const std::wstring& target) {
    FileHandle file(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD size = file.valid() ? GetFinalPathNameByHandleW(file.get(), nullptr, 0, FILE_NAME_NORMALIZED) : 0;
    std::wstring reached(size, L'\0');
    DWORD length =
        size > 0 ? GetFinalPathNameByHandleW(file.get(), &reached[0], size, FILE_NAME_NORMALIZED) : 0;
    reached.resize(length < size ? length : 0);
    return !reached.empty() &&
           CompareStringOrdinal(reached.c_str(), -1, target.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Puts the new file temporary in the place of target, which exists and is reached directly. ReplaceFileW
// keeps the old file's security descriptor, creation time and streams on Windows. The old file takes a
// fresh name in folder first, so that whatever fails, it is whole afterwards under its own name; when
// even that fails, oldContentAt names where it is. ERROR_SUCCESS or the error.
DWORD ReplaceExisting(const std::wstring& target,
                      const std::wstring& temporary,
                      const std::wstring& folder,
                      std::wstring& oldContentAt) {
    std::wstring backup = NextTemporaryName(folder);
    for (int attempt = 0; attempt < 100 && GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES;
         ++attempt) {
        backup = NextTemporaryName(folder);
    }
    if (ReplaceFileSeam(target.c_str(), temporary.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr)) {
        DeleteFileW(backup.c_str());
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    // The old file went to the backup name, but the new one could not take its place: it goes back. On
    // any other failure both files keep their names.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 &&
        !MoveBackSeam(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        oldContentAt = backup;
    }
    return error;
}

// The path of one of our temporary files (a "\\?\" path in path's folder) as path spells that folder;
// the name itself is ASCII.
std::string BesidePath(const std::string& path, const std::wstring& temporary) {
    std::string beside = path.substr(0, path.find_last_of("\\/") + 1);
    for (wchar_t c : temporary.substr(temporary.find_last_of(L'\\') + 1)) {
        beside += static_cast<char>(c);
    }
    return beside;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp, std::string* reason) {
    FileHandle opened(CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    bool ok = opened.valid() && GetFileInformationByHandle(opened.get(), &information);
    bytes.clear();
    uint64_t size = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    // A device (CON, NUL, a port) or a pipe opens like a file, but its bytes need not end.
    const char* refusal = !ok                                           ? nullptr
                          : GetFileType(opened.get()) != FILE_TYPE_DISK ? NotRegularFileReason
                          : size > LargestFileRead                      ? TooLargeFileReason
                                                                        : nullptr;
    if (ok && refusal == nullptr) {
        if (stamp != nullptr) {
            *stamp = StampOf(size, information.ftLastWriteTime);
        }
        bytes.reserve(static_cast<size_t>(size));
        char buffer[64 * 1024];
        DWORD got = 0;
        while ((ok = ReadFile(opened.get(), buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
            bytes.append(buffer, got);
            // A file that grows past the limit while it is read is refused as one that large.
            if (bytes.size() > LargestFileRead) {
                refusal = TooLargeFileReason;
                break;
            }
        }
        if (ok && refusal == nullptr && stamp != nullptr) {
            stamp->digest = DigestOfBytes(bytes);
        }
    }
    if (!ok || refusal != nullptr) {
        bytes.clear();
        if (reason != nullptr) {
            *reason = refusal != nullptr ? refusal : SystemErrorText(GetLastError());
        }
        return false;
    }
    return true;
}

FileStamp StampOfFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return FileStamp();
    }
    return StampOf((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                   data.ftLastWriteTime);
}

bool ReplaceFileContent(const std::string& path,
                        const std::string& bytes,
                        std::string& reason,
                        bool* bothKept) {
    // The W functions with an unnormalised path reach every path the dialogs accept, also where the
    // temporary file's path would pass MAX_PATH.
    std::wstring target = UnnormalisedPath(path);
    size_t slash = target.find_last_of(L'\\');
    if (target.empty() || slash == std::wstring::npos) {
        reason = SystemErrorText(ERROR_INVALID_NAME);
        return false;
    }
    DWORD attributes = GetFileAttributesW(target.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "A folder has that name.";
        return false;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        reason = "The file is read-only.";
        return false;
    }
    std::wstring folder = target.substr(0, slash), temporary;
    FileHandle file(CreateTemporaryFile(folder, temporary));
    if (!file.valid()) {
        reason = SystemErrorText(GetLastError());
        return false;
    }
    bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!file.close() && ok) {
        ok = false;
        error = GetLastError();
    }
    std::wstring oldContentAt;
    if (ok) {
        // A hidden or system file cannot be replaced while it carries those attributes. They are put back
        // on the new file below, and so are the others, which Wine's ReplaceFileW drops.
        if (exists && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
            SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        error = exists && ReachedDirectly(target)
                    ? ReplaceExisting(target, temporary, folder, oldContentAt)
                    : (MoveFileExW(temporary.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                           ? ERROR_SUCCESS
                           : GetLastError());
        ok = error == ERROR_SUCCESS;
        if (exists) {
            SetFileAttributesW(target.c_str(), attributes);
        }
    }
    if (!ok && !oldContentAt.empty()) {
        // The file's own name holds neither content now: both files stay where the user can find them.
        reason = SystemErrorText(error) + "\nThe file could not be put back under its own name either. " +
                 "Its previous content is in\n" + BesidePath(path, oldContentAt) +
                 "\nand the new content in\n" + BesidePath(path, temporary);
        if (bothKept != nullptr) {
            *bothKept = true;
        }
    } else if (!ok) {
        DeleteFileW(temporary.c_str());
        reason = SystemErrorText(error);
    }
    return ok;
}

bool CreateFileIfMissing(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() || GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
