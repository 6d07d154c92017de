#include "store/new_file.h"

#include <commdlg.h>

#include <string>

#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/file_io.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/folder_list.h"
#include "store/tables.h"

void NewDescriptionFile(HWND owner) {
    char path[MAX_PATH] = "file descriptions.desc";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Description XML .desc files\0*.desc\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "desc";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

    // The dialog may move the current directory even when cancelled; the folder being described
    // must stay where it was.
    std::string previousFolder = CurrentFolderPath();
    if (!ShowSaveDialog(&dialog) || path[0] == '\0') {
        ChangeCurrentFolder(previousFolder);
        return;
    }
    ChangeCurrentFolder(ExtractFolderPath(path));

    ResetTables();
    FolderDescription = "A folder";
    ShowFolderDescription(FolderDescription);
    // An existing file is not emptied here: the save below replaces it whole, so a failing save
    // leaves it intact.
    CreateFileIfMissing(path);
    CurrentDescFile = path;
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    SavedFlag = 1;
    DirtyFlag = 0;
    SetWindowTextA(WorkingDirEdit, CurrentFolderPath().c_str());
    ShowDescriptionFileTitle(CurrentDescFile);
    EnableEditing();
    ScanFolder();
    SaveDescriptionFile();
}
