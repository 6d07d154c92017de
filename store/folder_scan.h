// Reading the current directory's entry names into the tables.
#pragma once

// Rewrites FolderFiles and FileCount from the current directory. Descriptions follow their names: an
// entry that was listed before keeps its description, a new one gets none, a gone one's is dropped.
void ScanFolderIntoTables();
