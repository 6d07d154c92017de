#include "descfile/open.h"

#include <utility>

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "descfile/reader.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/folder_list.h"
#include "store/tables.h"

void ShowNotADescriptionFile() {
    MessageBoxA(nullptr, "Not a valid description file", "Error", MB_ICONERROR);
}

bool ReadAcceptedDescriptionText(const std::string& path, std::string& text, FileStamp& stamp) {
    std::string reason;
    if (!ReadDescriptionText(path, text, &stamp, &reason)) {
        std::string message = "The description file\n" + path + "\ncannot be read:\n" + reason;
        MessageBoxA(MainWindow, message.c_str(), "Error", MB_ICONERROR);
        return false;
    }
    if (!IsDescriptionText(text)) {
        ShowNotADescriptionFile();
        return false;
    }
    return true;
}

bool LoadDescriptionText(const std::string& path,
                         std::string text,
                         std::vector<std::string>& names,
                         const FileStamp& stamp) {
    std::string cutOffName = NameInUnclosedBlock(text);
    LoadResult result = LoadDescriptionTables(std::move(text), std::move(names));
    if (result == LoadResult::NotADescriptionFile) {
        ShowNotADescriptionFile();
        return false;
    }
    if (result == LoadResult::OutOfMemory) {
        std::string message =
            "The description file\n" + path + "\ncannot be read:\nThere is not enough memory to read it.";
        MessageBoxA(MainWindow, message.c_str(), "Error", MB_ICONERROR);
        return false;
    }
    CurrentDescFile = path;
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    CurrentDescFileStamp = stamp;
    ShowDescriptionFileTitle(CurrentDescFile);
    FillFileList();
    SetWindowTextA(WorkingDirEdit, CurrentFolderPath().c_str());
    ShowFolderDescription(FolderDescription);
    EnableEditing();
    if (!cutOffName.empty()) {
        std::string message = "The description file\n" + path + "\nends inside the description of \"" +
                              cutOffName +
                              "\" and may have been cut off. That description is not shown, and the next "
                              "save leaves it out.";
        MessageBoxA(MainWindow, message.c_str(), "Warning", MB_ICONWARNING);
    }
    return true;
}

void OpenDescriptionFile(HWND owner) {
    if (!AskToSaveChanges(owner)) {
        return;
    }
    char path[MAX_PATH] = {};
    KnownFolder folder;
    if (!ChooseDescriptionFile(FileDialogKind::Open, owner, path, folder)) {
        return;
    }
    // Nothing changes before the file is known to be a description file and its folder can be listed:
    // a refused file must not become the file that the next save overwrites, nor its folder the one
    // described.
    std::string text;
    FileStamp stamp;
    std::vector<std::string> names;
    if (!ReadAcceptedDescriptionText(path, text, stamp) || !ListKnownFolder(folder, names) ||
        !LoadDescriptionText(path, std::move(text), names, stamp)) {
        ReturnToDescribedFolder();
        return;
    }
    DescribedFolder = std::move(folder);
    DirtyFlag = 0;
}
