// The Save and Open dialogs for a description file.
#pragma once

#include <windows.h>

#include <string>

#include "store/described_folder.h"

// Which dialog to show.
enum class FileDialogKind { Save, Open };

// Shows the dialog with path as its file name buffer (MAX_PATH bytes). When a file is chosen, its
// folder becomes the current directory and is known in chosen, checked to be the very folder of that
// name. A cancelled dialog, or a chosen folder that cannot be entered (reported), gives false and goes
// back to the described folder, or with none yet to the current directory before.
bool ChooseDescriptionFile(FileDialogKind kind, HWND owner, char* path, KnownFolder& chosen);
