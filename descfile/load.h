// Loading a description file into the tables and the main window: the one way Open, Refresh folder and
// the reload after a deletion read a description file.
#pragma once

#include <string>
#include <vector>

// What became of a load.
enum class LoadOutcome {
    Loaded,       // the tables and the window show the file; it is the description file in use
    NotLoaded,    // it cannot be read (gone, locked, too large) or is no description file; names is as it was
    OutOfMemory,  // its tables do not fit in memory; names is used up
};

// Reads the description file at path and loads it, with names (a listing of its folder), into the tables
// and the main window: title, rows, working folder, folder description box, editing enabled. Anything
// but Loaded is reported once and changes nothing. A file that ends inside an entry's block is loaded as
// it reads, with a warning.
LoadOutcome LoadDescriptionFile(const std::string& path, std::vector<std::string>& names);
