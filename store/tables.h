// The process-wide description tables, counts, strings and flags. Every part of the program reads and
// writes them directly on the user-interface thread.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "descfile/file_io.h"

// Slots each table holds from the start. A folder or file with more entries grows the tables, since a
// save rewrites the file from them and a dropped entry would be a lost description.
constexpr int TableSlots = 10000;

// Names of the current directory's entries, in enumeration order; slots 0 to FileCount - 1 are valid.
extern std::vector<std::string> FolderFiles;
// Description of the entry at the same index in FolderFiles (empty when it has none).
extern std::vector<std::string> FolderDescriptions;
// Raw text between one "<file>" and the next "</file>" of the description file last read. Each slot
// views a text kept by KeepLoadedText, so nested blocks of a hostile file cost no copies.
extern std::vector<std::string_view> LoadedBlocks;

// Valid slots of FolderFiles and FolderDescriptions.
extern int FileCount;
// Valid slots of LoadedBlocks.
extern int BlockCount;

// Full path of the description file in use, as the file dialog returned it.
extern std::string CurrentDescFile;
// Bare file name of the description file in use; the list refuses to delete that entry.
extern std::string CurrentDescFileName;
// The description file's stamp, with its digest, when this program last read or wrote it: a different
// stamp on disk means another program changed the file since.
extern FileStamp CurrentDescFileStamp;
// Description of the folder itself.
extern std::string FolderDescription;

// 1 once a description file has been created or opened in this run.
extern unsigned char EditingEnabled;
// 1 while the tables or the folder description hold changes not yet written to CurrentDescFile.
extern unsigned char DirtyFlag;
// 1 once a description file has been created or saved in this run.
extern unsigned char SavedFlag;

// Row of the file list that the description dialog and deletion act on; -1 for none.
extern int SelectedIndex;

// Empties the counts, FolderDescription and every slot of the three tables (also those beyond the
// counts); the paths, the flags and SelectedIndex keep their values.
void ResetTables();

// ResetTables for tables whose slots beyond the counts are empty: only the slots below the counts are
// emptied, so the cost is that of what is in use, not of every slot.
void EmptyTablesInUse();

// The tables, counts and folder description moved aside whole, so that a load that cannot finish can
// put them back as they were.
struct TablesSetAside {
    std::vector<std::string> files, descriptions;
    std::vector<std::string_view> blocks;
    std::deque<std::string> texts;
    int fileCount = 0, blockCount = 0;
    std::string folderDescription;
};

// Moves the tables into aside and leaves empty ones of TableSlots slots in their place.
void SetTablesAside(TablesSetAside& aside);

// Puts the tables that SetTablesAside moved away back in place, dropping what is there now.
void PutTablesBack(TablesSetAside& aside);

// Stores an entry and its description at slot FileCount and counts it, growing the tables when full.
void StoreFolderEntry(std::string name, std::string description);

// Keeps a text for blocks to point into until the next ResetTables; returns the kept text.
std::string_view KeepLoadedText(std::string text);

// Stores a block (a view into a kept text) at slot BlockCount and counts it, growing the table when full.
void StoreLoadedBlock(std::string_view block);

// Counts the calls of ResetTables, so that what was derived from the tables can tell it is stale.
extern unsigned TablesGeneration;
