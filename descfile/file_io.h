// Whole-file reading and writing for the description file; file_io_win.cpp and file_io_posix.cpp
// implement it.
#pragma once

#include <cstddef>
#include <string>

// Reads the file's bytes as they are, letting other programs read and write it meanwhile. False when
// it cannot be opened or read (missing, a folder, locked).
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file's content with bytes in one step: the bytes go to a temporary file in the same
// folder, are flushed to disk, and the temporary file then takes the old one's place and attributes.
// A read-only file is refused. On any failure the old file is untouched, the temporary file is gone,
// and the result is false.
bool ReplaceFileContent(const std::string& path, const std::string& bytes);

// Creates an empty file when none exists; an existing file is left as it is.
bool CreateFileIfMissing(const std::string& path);

// Test seam: when set, it is asked before each chunk of a replacement is written, with the bytes
// written so far; returning false makes that write fail.
extern bool (*AllowChunkWrite)(size_t writtenSoFar);

// Name of the temporary file that a replacement of path writes first.
std::string TemporaryNameFor(const std::string& path);
