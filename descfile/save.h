// Save descriptions.
#pragma once

#include <windows.h>

// What Save descriptions came to.
enum class SaveOutcome {
    NothingInUse,  // no description file created or opened yet: nothing was done
    Saved,         // the description file holds the tables
    Failed,        // reported; the file keeps its previous content, or the report says where it is
    Declined,      // the user chose not to replace another program's changes; nothing was written
};

// Writes the tables and the folder description box to the description file in use, in the described
// folder. When another program changed the file since this program last read or wrote it, asks first
// whether to replace it; No writes nothing. A failed write, or a described folder that cannot be
// entered, is reported in a message box naming the file and the reason, and DirtyFlag stays set.
SaveOutcome SaveDescriptionFile();

// Asks "Save changes?" while there are unsaved changes and saves on Yes. False when the user wanted
// them saved and they were not (the save failed or was declined): the caller must then stop.
bool AskToSaveChanges(HWND owner);

// Saves the unsaved changes where no question is needed: not over another program's change to the file.
// Says nothing, for when nothing can be asked (the session ends at once); true when they were saved.
bool SaveWithoutAsking();
