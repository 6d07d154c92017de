// A folder's description file read as Open reads it, and the entries qmdesc prints from it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "descfile/file_io.h"
#include "store/described_folder.h"

// One entry as qmdesc prints it. Names and descriptions are bytes of the code page.
struct CatalogueEntry {
    std::string name;
    std::string description;  // trimmed, as the description dialog shows it
    bool exists = true;       // false for a stored description whose entry the folder no longer lists
    bool repeated = false;    // a later block of a name stored before it: the reader takes only the first
};

// What qmdesc learnt of a description file besides the tables.
struct LoadedFile {
    KnownFolder known;  // the folder, known by identity: every read and write is checked to be in it
    std::unique_ptr<WriterLock> lock;  // held by a writer from before the read until its write is done
    std::string folder;    // its path as qmdesc shows it, UTF-8: full, or as given where that cannot be had
    std::string path;      // the file's path as it is shown, UTF-8
    std::string fileName;  // the file's name in its folder, UTF-8
    bool isNew = false;    // no such file yet: the tables start as New starts them
    FileStamp stamp;       // the file as it was read, to tell another program's change
    std::string storedFolderName;         // the folder name the file holds
    std::string storedFolderDescription;  // the folder description the file holds, as read
    size_t ctrlZ = std::string::npos;     // where a Ctrl+Z byte ends what the reader takes, if it does
    size_t bytes = 0;                     // the file's size
    std::string cutOffName;               // the entry whose block the file ends inside, if it does
    std::vector<std::string> listed;      // the folder's names in listing order, as Open lists them
    std::string text;                     // check: the text as the reader takes it, markers and all
};

// Lists the current directory, shown as folder, as Open does (and its folders to walk into, when
// subfolders is given). False, with Open's words in problem, when it cannot be listed.
bool ListCatalogueFolder(const std::string& folder,
                         std::vector<std::string>& names,
                         std::vector<std::string>* subfolders,
                         std::string& problem);

// Reads the description file fileName (UTF-8) of the current directory, shown as path, and loads it
// with names, the directory's listing, into the tables, exactly as Open does. False, with Open's words
// in problem, when the file cannot be read or is no description file. forCheck also notes in file what
// check reports: the listing, a Ctrl+Z byte, a block the file ends inside, the text.
bool LoadCatalogue(const std::string& fileName,
                   const std::string& path,
                   std::vector<std::string> names,
                   bool forCheck,
                   LoadedFile& file,
                   std::string& problem);

// The entries Open shows: the folder's entries now, each with its stored description.
std::vector<CatalogueEntry> ShownEntries();

// The blocks the file holds, in file order, each marked whether the folder lists its entry and whether
// an earlier block has its name.
std::vector<CatalogueEntry> StoredEntries();

// Open's words for a problem: what, which and how, then the reason, on one line.
std::string ProblemLine(const std::string& what,
                        const std::string& which,
                        const std::string& how,
                        const std::string& reason);

// The name of the description file in a folder that qmdesc is given.
extern const char DescriptionFileName[];

// True when name is the description file's, in the letter case the file system tells apart.
bool IsDescriptionFileName(const std::string& name);

// folder and name joined as qmdesc shows paths.
std::string ShownPath(const std::string& folder, const std::string& name);

// Writes "qmdesc: " and problem on standard error, as one line.
void ReportProblem(const std::string& problem);

// What a verb does with the description file it is given.
enum class FileUse {
    Show,    // reads it; a folder without "file descriptions.desc" is loaded as one whose entries have none
    Check,   // reads it and notes what check reports
    Change,  // reads it to write it or a file beside it: its folder must be one the window can describe
    Create,  // as Change, or starts a new one as New does when there is none (see LoadPath)
};

// Knows and enters the folder of path (a description file or its folder) as the user gave it and loads
// the file as Open does. False, with the problem named on standard error, when that cannot be done. A
// missing file is created (Create) only as "file descriptions.desc" or a name ending in ".desc" in an
// existing folder: any other path that does not exist is refused. Show loads a folder without its
// "file descriptions.desc" as New would start it, but with no folder description, and marks it isNew.
bool LoadPath(const std::string& path, FileUse use, LoadedFile& file);

// True when the current directory is still the folder file was read from; otherwise names the problem
// on standard error. Every write checks this first.
bool StillInFolderOf(const LoadedFile& file);
