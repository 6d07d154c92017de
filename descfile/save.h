// Save descriptions.
#pragma once

#include <windows.h>

#include "descfile/writer.h"

// Writes the tables and the folder description box to the description file in use. When another
// program changed the file since this program last read or wrote it, asks first whether to replace it;
// No writes nothing. A failed write is reported in a message box naming the file and the system's
// reason, and DirtyFlag stays set.
SaveResult SaveDescriptionFile();

// Asks "Save changes?" while there are unsaved changes and saves on Yes. False when the user wanted
// them saved and they were not (the save failed or was declined): the caller must then stop.
bool AskToSaveChanges(HWND owner);
