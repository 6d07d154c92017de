#include "store/new_file.h"

#include <string>
#include <utility>
#include <vector>

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "descfile/file_io.h"
#include "descfile/reader.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
#include "store/folder_listing.h"
#include "store/folder_scan.h"
#include "store/tables.h"

void NewDescriptionFile(HWND owner) {
    if (!AskToSaveChanges(owner)) {
        return;
    }
    char path[MAX_PATH] = "file descriptions.desc";
    KnownFolder folder;
    if (!ChooseDescriptionFile(FileDialogKind::Save, owner, path, folder)) {
        return;
    }
    // An existing file is not emptied here: the save below replaces it whole, so a failing save
    // leaves it intact. A new one is listed with the folder's other entries.
    bool existed = StampOfFile(path).exists;
    CreateFileIfMissing(path);
    std::vector<std::string> names;
    if (!ListKnownFolder(folder, names)) {
        if (!existed) {
            DeleteFileA(path);
        }
        ReturnToDescribedFolder();
        return;
    }

    StartNewDescriptionTables(std::move(names));
    ShowFolderDescription(FolderDescription);
    CurrentDescFile = path;
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    DescribedFolder = std::move(folder);
    // The user chose to replace whatever the file held, so the save below does not ask about it.
    std::string replaced;
    ReadDescriptionText(CurrentDescFile, replaced, &CurrentDescFileStamp);
    SavedFlag = 1;
    DirtyFlag = 0;
    SetWindowTextA(WorkingDirEdit, CurrentFolderPath().c_str());
    ShowDescriptionFileTitle(CurrentDescFile);
    EnableEditing();
    FillFileList();
    SaveDescriptionFile();
}
