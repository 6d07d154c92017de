// Reading a description file back into the tables: blocks are cut out by a plain text scan and each
// entry of the folder as it is now finds its stored description by exact name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "descfile/file_io.h"

// Windows text-mode reading of raw bytes: every CR LF becomes LF, a lone CR stays, a Ctrl+Z byte (0x1A)
// ends the text.
std::string DecodeTextMode(std::string_view raw);

// Reads the whole file at path as text (DecodeTextMode), with the file's stamp as it was read and where
// the text ends in its bytes (at a Ctrl+Z byte, or at the end). False when it cannot be read or does not
// fit in memory; reason then holds why. The one way both programs read a description file.
bool ReadDescriptionText(const std::string& path,
                         std::string& text,
                         FileStamp* stamp = nullptr,
                         std::string* reason = nullptr,
                         size_t* textEnd = nullptr);

// What a stored block holds, as views into it: the name untrimmed, the description untrimmed.
struct StoredBlock {
    std::string_view name;
    std::string_view description;
};

// The name and description of a block (the text between "<file>" and "</file>"), each the text between
// the first of its opening and the first of its closing marker; the reader takes them so.
StoredBlock FieldsOfBlock(std::string_view block);

// Appends the inner text of every "<file>" that has a "</file>" after it to LoadedBlocks, overlapping
// blocks included, and indexes the blocks by stored name (the first block of a name wins).
void ScanFileBlocks(std::string_view text);

// The trimmed description of the first block whose untrimmed stored name equals name byte for byte;
// empty when no block carries it. Uses the index ScanFileBlocks builds, so each call costs O(1).
std::string LookUpStoredDescription(const std::string& name);

// Fills FolderFiles, FolderDescriptions and FileCount (expected 0) from names, a listing of the current
// directory, in its order, each entry with its stored description.
void MergeFolderEntries(std::vector<std::string> names);

// The stored name of the last block when the text ends inside it, after its name (a "<file>" with no
// "</file>" after it): the file was cut off, and that entry's description with it. Empty otherwise.
std::string NameInUnclosedBlock(std::string_view text);

// True when text can be loaded: it holds "<folder_name>".
bool IsDescriptionText(std::string_view text);

// What a load came to.
enum class LoadResult {
    Loaded,               // the tables hold the file's descriptions and the listed entries
    NotADescriptionFile,  // the text holds no "<folder_name>"; nothing changed
    OutOfMemory,          // the tables would not fit in memory; nothing changed
};

// Replaces the tables with the text's blocks, its folder description (untrimmed) and names, a listing
// of the current directory. Unless the result is Loaded, the tables are as they were; names is used up
// only by a load that got as far as the merge (Loaded or OutOfMemory).
LoadResult LoadDescriptionTables(std::string text, std::vector<std::string>&& names);

// LoadDescriptionTables for a reader of many files in turn, whose slots beyond the counts are all
// empty: the tables are emptied only as far as they are used, and not set aside, so a result other than
// Loaded leaves them empty (NotADescriptionFile: as they were).
LoadResult LoadNextDescriptionTables(std::string text, std::vector<std::string>&& names);

// Why a file that does not fit in memory cannot be read.
extern const char OutOfMemoryReason[];
