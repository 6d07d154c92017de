// qmdesc's commands that change a description file: set and relink. Each writes through the window
// program's save and keeps what the file held of entries that are gone, unless told to drop it.
#pragma once

#include <string>
#include <vector>

// What a write was asked for besides its operands.
struct WriteOptions {
    bool overwrite = false;  // replace descriptions entries have (relink, import), or a descript.ion (export)
    bool dropGone = false;   // drop the stored descriptions of gone entries, as the window's Save does
    bool dryRun = false;     // import: print what would change and write nothing
    bool descriptIon = false;  // import and export: the folder's descript.ion, not a CSV
    std::string encoding;      // "ansi", "oem" or "utf8"; empty: as the file says
};

// qmdesc set PATH NAME TEXT ("-" for standard input): sets one entry's description; an empty text
// removes it. Returns the exit code.
int SetDescription(const std::vector<std::string>& operands, const WriteOptions& options);

// qmdesc relink PATH OLD NEW: gives the listed entry NEW the stored description of OLD, a gone entry,
// and drops OLD's block. Returns the exit code.
int Relink(const std::vector<std::string>& operands, const WriteOptions& options);

// qmdesc import PATH FILE.csv, or import --descript-ion PATH: sets the descriptions of many entries.
// Returns the exit code.
int Import(const std::vector<std::string>& operands, const WriteOptions& options);

// qmdesc export --descript-ion PATH: writes the folder's descript.ion from its description file.
// Returns the exit code.
int ExportDescriptIon(const std::vector<std::string>& operands, const WriteOptions& options);
