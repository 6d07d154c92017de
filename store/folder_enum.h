// The folder being described is the process's current directory. These calls are the only way the
// core touches it: listing it, entering a folder, telling entries apart by identity. folder_enum_win.cpp
// and folder_enum_posix.cpp implement them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a listing tells of one entry besides its name.
struct EntryKind {
    bool folder = false;
    bool link = false;  // a symbolic link, junction or other reparse point: never to be walked into
};

// Every entry of the current directory matching "*.*", in the order the file system returns them,
// nothing filtered: ".", "..", subfolders, hidden entries. A folder that cannot be listed (gone, not
// readable) is no empty folder: the result is false, names is left as it was and reason holds the
// system's words for it. kinds, when given, receives the kind of each entry, in the same order.
bool ListCurrentFolder(std::vector<std::string>& names,
                       std::string& reason,
                       std::vector<EntryKind>* kinds = nullptr);

// Full path of the current directory (a drive root keeps its trailing backslash); empty on failure.
std::string CurrentFolderPath();

// The system's own words for an error code (GetLastError's on Windows, errno's elsewhere), with no
// line end after them.
std::string SystemErrorText(unsigned long code);

// How a path is taken. Ansi: as the window program's ANSI functions take it, made full by the system's
// rules. Exact: as the user gave it, in UTF-8 (qmdesc's), every name as it stands: on Windows through the
// wide functions and past the normalisation that drops a name's trailing blank or dot. Outside Windows
// both are the path's bytes.
enum class PathForm { Ansi, Exact };

// Makes folder the current directory; false when it cannot, with the system's words in reason.
bool ChangeCurrentFolder(const std::string& folder,
                         std::string* reason = nullptr,
                         PathForm form = PathForm::Ansi);

// path (Exact) made full by joining it to the current directory, by names: "." and empty names go, a
// name keeps its trailing blank or dot. On Windows ".." takes the name before it away, as Windows does;
// elsewhere it stays for the system to follow. Where the current directory's path cannot be had (deeper
// than the system's limit), a relative path is given back as it stands.
std::string FullPathAsGiven(const std::string& path);

// True when the window program can spell path (Exact) in the ANSI code page, letter for letter;
// otherwise false with why, naming the code page. Always true outside Windows.
bool SpelledInCodePage(const std::string& path, std::string& reason);

// Why a folder whose name ends in a blank or a dot cannot be used, in the window's words.
extern const char EndsInBlankOrDotReason[];

// True where the system drops a trailing blank or dot from a name it is given (Windows), so that the
// window program cannot reach a folder so named by its path.
extern const bool NamesLoseTrailingBlankOrDot;

// What tells one file or folder from every other of the machine, whatever path leads to it: its volume
// and its index there (device and inode elsewhere).
struct EntryIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const EntryIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
    bool operator!=(const EntryIdentity& other) const { return !(*this == other); }
};

// The identity of the file or folder at path, a full path taken exactly as it stands (a name's trailing
// blank or dot is part of it); a relative path is taken from the current directory. False, with the
// system's words in reason, when it cannot be opened; a folder removed while it is the current directory
// is gone. kind, when given, receives whether it is a folder.
bool IdentityOfEntry(const std::string& path,
                     EntryIdentity& identity,
                     std::string* reason = nullptr,
                     PathForm form = PathForm::Ansi,
                     EntryKind* kind = nullptr);
