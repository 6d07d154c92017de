// Reading the current directory's entry names into the tables.
#pragma once

#include <string>
#include <vector>

// Rewrites FolderFiles and FileCount with names, a listing of the current directory. Descriptions
// follow their names: an entry that was listed before keeps its description, a new one gets none, a
// gone one's is dropped.
void ScanFolderTables(std::vector<std::string> names);
