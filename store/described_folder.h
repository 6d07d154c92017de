// The folder being described: the folder of the description file in use, known by its identity, so
// that a path that now leads elsewhere (the folder renamed away, another put in its place, a name whose
// trailing blank or dot Windows drops) is never listed or saved for it.
#pragma once

#include <string>

#include "store/folder_enum.h"

// A folder known by the path it was chosen by and by what that path led to then.
struct KnownFolder {
    std::string path;  // a full path, or as the user gave it where a full one cannot be had
    EntryIdentity identity;
    PathForm form = PathForm::Ansi;  // how path is taken
};

// The folder of the description file in use; its path is empty until one is created or opened.
extern KnownFolder DescribedFolder;

// Knows the folder at path (a full path) by the folder of exactly that name. False, with the system's
// words in reason, when it cannot be opened.
bool KnowFolder(const std::string& path, KnownFolder& folder, std::string& reason);

// Knows the folder at path as the user gave it (PathForm::Exact): made full with FullPathAsGiven, so that
// "Garden " and a name the code page cannot spell are known as themselves. False, with the system's
// words in reason, when it cannot be opened or is no folder.
bool KnowFolderAsGiven(const std::string& path, KnownFolder& folder, std::string& reason);

// True when the window program could describe folder: the ANSI code page spells its path and none of its
// names ends in a blank or a dot where the system drops one. Otherwise false with the window's reason.
bool FolderCanBeDescribed(const KnownFolder& folder, std::string& reason);

// True when the current directory is folder by identity, so that a name relative to it reaches folder's
// entry; otherwise false with why (gone, or another folder in its place).
bool InKnownFolder(const KnownFolder& folder, std::string& reason);

// Makes folder the current directory and checks that the current directory is then that very folder.
// False, with why in reason, when it cannot be entered or its path now leads to another folder. A folder
// known as given is not entered again while the current directory is it: its path may be one only the
// directory it was given from can follow, or deeper than a path can reach.
bool EnterKnownFolder(const KnownFolder& folder, std::string& reason);

// Goes back to the described folder after a dialog or a refused file moved the current directory. When
// it cannot be entered, the next action that lists or saves says so.
void ReturnToDescribedFolder();

// How long a writer waits for another writer of the same description file to finish.
constexpr int WriterLockSeconds = 10;

// The writers' lock of one description file, held from before the file is read until it is replaced,
// so that two writers never both read the old content and replace it in turn. Released when it goes out
// of scope; the system releases it when the process ends, so a writer killed never leaves one behind.
class WriterLock {
  public:
    WriterLock() = default;
    ~WriterLock() { Release(); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    // Takes the lock of the description file fileName in folder, the current directory, waiting up to
    // WriterLockSeconds for another writer. False, with why in reason, when it cannot be had.
    bool Take(const KnownFolder& folder, const std::string& fileName, std::string& reason);
    // Lets the next writer in; nothing when the lock is not held.
    void Release();

  private:
    long long held_ = -1;  // the flock'd folder (POSIX) or the owned mutex (Windows)
};
