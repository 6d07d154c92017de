// The Save and Open dialogs for a description file.
#pragma once

#include <windows.h>

#include <string>

// Which dialog to show.
enum class FileDialogKind { Save, Open };

// Shows the dialog with path as its file name buffer (MAX_PATH bytes). When a file is chosen, the
// current directory becomes its folder and previousFolder receives the one before, so a caller that
// refuses the file can go back; a cancelled dialog leaves the current directory where it was. A chosen
// file whose folder cannot become the current directory is reported and gives false.
bool ChooseDescriptionFile(FileDialogKind kind, HWND owner, char* path, std::string& previousFolder);
