// Save descriptions.
#pragma once

#include "descfile/writer.h"

// Writes the tables and the folder description box to the description file in use. A failed write is
// reported in a message box naming the file, and DirtyFlag stays set.
SaveResult SaveDescriptionFile();
