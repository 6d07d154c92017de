// qmdesc's commands that change a description file: set and relink. Each writes through the window
// program's save and keeps what the file held of entries that are gone, unless told to drop it.
#pragma once

#include <string>
#include <vector>

// What a write was asked for besides its operands.
struct WriteOptions {
    bool overwrite = false;  // relink: replace the new entry's description
    bool dropGone = false;   // drop the stored descriptions of gone entries, as the window's Save does
};

// qmdesc set PATH NAME TEXT ("-" for standard input): sets one entry's description; an empty text
// removes it. Returns the exit code.
int SetDescription(const std::vector<std::string>& operands, const WriteOptions& options);

// qmdesc relink PATH OLD NEW: gives the listed entry NEW the stored description of OLD, a gone entry,
// and drops OLD's block. Returns the exit code.
int Relink(const std::vector<std::string>& operands, const WriteOptions& options);
