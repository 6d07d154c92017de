#include "descfile/open.h"

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "descfile/reader.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/folder_list.h"
#include "store/tables.h"

namespace {

// Asks about unsaved changes; false when the user wanted them saved and the save failed.
bool SaveChangesFirst(HWND owner) {
    if (DirtyFlag != 1) {
        return true;
    }
    int answer = MessageBoxA(owner, "Save changes?", "File not saved", MB_YESNO | MB_ICONQUESTION);
    return answer != IDYES || SaveDescriptionFile() != SaveResult::Failed;
}

}  // namespace

void ShowNotADescriptionFile() {
    MessageBoxA(nullptr, "Not a valid description file", "Error", MB_ICONERROR);
}

bool LoadDescriptionText(const std::string& text) {
    if (!LoadDescriptionTables(text)) {
        ShowNotADescriptionFile();
        return false;
    }
    ShowDescriptionFileTitle(CurrentDescFile);
    FillFileList();
    SetWindowTextA(WorkingDirEdit, CurrentFolderPath().c_str());
    ShowFolderDescription(FolderDescription);
    EnableEditing();
    return true;
}

void OpenDescriptionFile(HWND owner) {
    char path[MAX_PATH] = {};
    if (!SaveChangesFirst(owner)) {
        return;
    }
    std::string previousFolder;
    bool chosen = ChooseDescriptionFile(FileDialogKind::Open, owner, path, previousFolder);
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    if (!chosen) {
        return;
    }
    // Nothing changes before the file is known to be a description file: a refused file must not
    // become the file that the next save overwrites, nor its folder the one described.
    std::string text;
    if (!ReadDescriptionText(path, text) || !IsDescriptionText(text)) {
        ChangeCurrentFolder(previousFolder);
        ShowNotADescriptionFile();
        return;
    }
    CurrentDescFile = path;
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    LoadDescriptionText(text);
    DirtyFlag = 0;
}
