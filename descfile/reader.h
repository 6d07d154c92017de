// Reading a description file back into the tables: blocks are cut out by a plain text scan and each
// entry of the folder as it is now finds its stored description by exact name.
#pragma once

#include <string>
#include <string_view>

// Windows text-mode reading of raw bytes: every CR LF becomes LF, a lone CR stays, a Ctrl+Z byte (0x1A)
// ends the text.
std::string DecodeTextMode(std::string_view raw);

// Reads the whole file at path as text (DecodeTextMode). False when it cannot be read.
bool ReadDescriptionText(const std::string& path, std::string& text);

// Appends the inner text of every "<file>" that has a "</file>" after it to LoadedBlocks, overlapping
// blocks included, and indexes the blocks by stored name (the first block of a name wins).
void ScanFileBlocks(std::string_view text);

// The trimmed description of the first block whose untrimmed stored name equals name byte for byte;
// empty when no block carries it. Uses the index ScanFileBlocks builds, so each call costs O(1).
std::string LookUpStoredDescription(const std::string& name);

// Fills FolderFiles, FolderDescriptions and FileCount (expected 0) from the current directory in
// enumeration order, each entry with its stored description.
void MergeFolderEntries();

// True when text can be loaded: it holds "<folder_name>".
bool IsDescriptionText(std::string_view text);

// Replaces the tables with the text's blocks, its folder description (untrimmed) and the current
// directory's entries. A text that is no description file changes nothing and gives false.
bool LoadDescriptionTables(std::string_view text);
