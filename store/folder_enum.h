// The folder being described is the process's current directory. These calls are the only way the
// core touches it; folder_enum_win.cpp and folder_enum_posix.cpp implement them.
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

// Makes folder the current directory; false when it cannot, with the system's words in reason.
bool ChangeCurrentFolder(const std::string& folder, std::string* reason = nullptr);

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
// system's words in reason, when it cannot be opened.
bool IdentityOfEntry(const std::string& path, EntryIdentity& identity, std::string* reason = nullptr);
