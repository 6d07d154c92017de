// qmdesc's command line: the verbs table (each verb's function, the options it takes, its usage and
// help), the reading of the arguments and the dispatch to the verb asked for.
#pragma once

#include <string>
#include <vector>

#include "qmdesc/formats.h"

// The options besides --codepage, which every verb takes, one bit each.
enum Option : unsigned {
    Stored = 1 << 0,         // show and find: the stored descriptions
    Regex = 1 << 1,          // find: TEXT is a regular expression
    FormatGiven = 1 << 2,    // show and find: --format
    Overwrite = 1 << 3,      // replace descriptions entries have (relink, import), or a descript.ion (export)
    DropGone = 1 << 4,       // drop the stored descriptions of gone entries, as the window's Save does
    DryRun = 1 << 5,         // import: print what would change and write nothing
    DescriptIon = 1 << 6,    // import and export: the folder's descript.ion, not a CSV
    EncodingGiven = 1 << 7,  // --encoding
    FolderGiven = 1 << 8,    // set: the folder's own description, not an entry's
};

// What the command line asked for.
struct Request {
    std::string verb;
    std::vector<std::string> operands;
    unsigned options = 0;  // the Option bits given
    Format format = Format::Text;
    std::string encoding;  // "ansi", "oem" or "utf8"; empty: as the file says
    unsigned codePage = 0;

    // True when the option was given.
    bool Has(Option option) const { return (options & option) != 0; }
};

// Writes problem and the usage on standard error; returns the exit code of bad arguments, 2.
int UsageError(const std::string& problem);

// Runs the command the arguments (UTF-8, after the program's name) ask for and returns the exit code:
// 0 done (find: found), 1 nothing found (check: something to report), 2 an error or bad arguments.
int RunQmdesc(const std::vector<std::string>& arguments);
