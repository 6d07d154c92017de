// qmdesc's commands that change a description file (set, relink, import) or write a descript.ion
// beside it (export). Each writes only in the folder it was given, by a name relative to it, through
// the window program's file format and safe replacement, and keeps what the file held of entries that
// are gone unless told to drop it.
#pragma once

#include <string>
#include <vector>

#include "qmdesc/catalogue.h"
#include "qmdesc/verbs.h"

// qmdesc set PATH NAME TEXT ("-" for standard input): sets one entry's description; an empty text
// removes it. Returns the exit code.
int SetDescription(const Request& request);

// qmdesc relink PATH OLD NEW: gives the listed entry NEW the stored description of OLD, a gone entry,
// and drops OLD's block. Returns the exit code.
int Relink(const Request& request);

// qmdesc import PATH FILE.csv, or import --descript-ion PATH: sets the descriptions of many entries.
// Returns the exit code.
int Import(const Request& request);

// qmdesc export --descript-ion PATH: writes the folder's descript.ion from its description file.
// Returns the exit code.
int ExportDescriptIon(const Request& request);

// What a write does with the stored descriptions of entries the folder no longer lists: keeps them,
// unless drop, but for those named in dropped (descriptions moved as they are); added are kept besides.
struct GoneEntries {
    bool drop = false;
    std::vector<std::string> dropped;
    std::vector<CatalogueEntry> added;
};

// Writes the tables back over the loaded file as the window program's Save does: the folder's entries
// in listing order, then the gone entries' descriptions as goneEntries says, in file order. Refuses a
// file another program changed since it was read, and new text the file would not read back as it
// stands. Once written, says done on standard error with what was kept or dropped (nothing when done is
// empty). Returns the exit code.
int WriteCatalogue(const LoadedFile& file, const GoneEntries& goneEntries, const std::string& done);
