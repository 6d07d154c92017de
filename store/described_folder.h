// The folder being described: the folder of the description file in use, known by its identity, so
// that a path that now leads elsewhere (the folder renamed away, another put in its place, a name whose
// trailing blank or dot Windows drops) is never listed or saved for it.
#pragma once

#include <string>

#include "store/folder_enum.h"

// A folder known by the path it was chosen by and by what that path led to then.
struct KnownFolder {
    std::string path;
    EntryIdentity identity;
};

// The folder of the description file in use; its path is empty until one is created or opened.
extern KnownFolder DescribedFolder;

// Knows the folder at path (a full path) by the folder of exactly that name. False, with the system's
// words in reason, when it cannot be opened.
bool KnowFolder(const std::string& path, KnownFolder& folder, std::string& reason);

// Makes folder the current directory and checks that the current directory is then that very folder.
// False, with why in reason, when it cannot be entered or its path now leads to another folder.
bool EnterKnownFolder(const KnownFolder& folder, std::string& reason);

// Goes back to the described folder after a dialog or a refused file moved the current directory. When
// it cannot be entered, the next action that lists or saves says so.
void ReturnToDescribedFolder();
