#include "app/file_dialogs.h"

#include <commdlg.h>

#include "app/seams.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"

bool ChooseDescriptionFile(FileDialogKind kind, HWND owner, char* path, std::string& previousFolder) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Description XML .desc files\0*.desc\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = kind == FileDialogKind::Save ? "desc" : "*.desc";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

    // The dialogs may move the current directory even when cancelled, and the described folder is
    // the current directory: it changes only with a chosen file, and then to that file's folder
    // whatever the dialog did.
    previousFolder = CurrentFolderPath();
    BOOL chosen = kind == FileDialogKind::Save ? ShowSaveDialog(&dialog) : ShowOpenDialog(&dialog);
    if (!chosen || path[0] == '\0') {
        ChangeCurrentFolder(previousFolder);
        return false;
    }
    // A folder the ANSI functions cannot enter (a name outside the code page) cannot be described: the
    // list would show one folder and the saves go to another.
    std::string folder = ExtractFolderPath(path);
    std::string reason;
    if (!ChangeCurrentFolder(folder, &reason)) {
        ChangeCurrentFolder(previousFolder);
        std::string message =
            "The folder\n" + folder + "\ncannot be used:\n" + reason + "\n\nNothing was changed.";
        MessageBoxA(owner, message.c_str(), "Error", MB_ICONERROR);
        return false;
    }
    return true;
}
