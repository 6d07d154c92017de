#include "store/new_file.h"

#include <string>

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "descfile/file_io.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/folder_list.h"
#include "store/tables.h"

void NewDescriptionFile(HWND owner) {
    char path[MAX_PATH] = "file descriptions.desc";
    std::string previousFolder;
    if (!ChooseDescriptionFile(FileDialogKind::Save, owner, path, previousFolder)) {
        return;
    }

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
