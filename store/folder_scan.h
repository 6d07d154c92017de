// Reading the current directory's entry names into the tables.
#pragma once

#include <string>
#include <vector>

// Rewrites FolderFiles and FileCount with names, a listing of the current directory. Descriptions
// follow their names: an entry that was listed before keeps its description, a new one gets none, a
// gone one's is dropped.
void ScanFolderTables(std::vector<std::string> names);

// The folder description a new description file starts with.
extern const char NewFolderDescription[];

// Starts the tables of a new description file for the current directory: names, its listing, none
// described, and NewFolderDescription. The window's New and qmdesc's first write to a folder start so,
// and so write the same bytes.
void StartNewDescriptionTables(std::vector<std::string> names);
