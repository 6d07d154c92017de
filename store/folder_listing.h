// The described folder entered and listed, and its entries read into the tables and the list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/described_folder.h"

// Reads the current directory's entry names into the tables (descriptions stay with their names)
// and rebuilds the list. A folder that cannot be listed is reported and changes nothing: false.
bool ScanFolder();

// Enters folder, checked to be that very folder, and lists it into names. A folder that cannot be
// entered or listed (gone, unplugged, not readable, another in its place) is reported in a message box
// naming it and the reason, and gives false.
bool ListKnownFolder(const KnownFolder& folder, std::vector<std::string>& names);

// ListKnownFolder of the described folder; false, saying nothing, while no file is in use.
bool ListDescribedFolder(std::vector<std::string>& names);

// Enters the described folder before an entry of it is deleted or opened; when it cannot be entered or
// another folder has taken its place, says so in a message box owned by owner and gives false.
bool EnterDescribedFolder(HWND owner);
