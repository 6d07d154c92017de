#include "descfile/open.h"

#include <commdlg.h>

#include "app/main_window.h"
#include "app/seams.h"
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
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Description XML .desc files\0*.desc\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "*.desc";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

    if (!SaveChangesFirst(owner)) {
        return;
    }
    std::string previousFolder = CurrentFolderPath();
    bool chosen = ShowOpenDialog(&dialog) && path[0] != '\0';
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    if (!chosen) {
        ChangeCurrentFolder(previousFolder);
        return;
    }
    // Nothing changes before the file is known to be a description file: a refused file must not
    // become the file that the next save overwrites, nor its folder the one described.
    ChangeCurrentFolder(ExtractFolderPath(path));
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
