#include "descfile/load.h"

#include <utility>

#include "app/main_window.h"
#include "app/messages.h"
#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

void ShowCannotBeRead(const std::string& path, const std::string& reason) {
    ShowError(MainWindow, ProblemText("The description file", path, "cannot be read", reason));
}

}  // namespace

LoadOutcome LoadDescriptionFile(const std::string& path, std::vector<std::string>& names) {
    std::string text, reason;
    FileStamp stamp;
    if (!ReadDescriptionText(path, text, &stamp, &reason)) {
        ShowCannotBeRead(path, reason);
        return LoadOutcome::NotLoaded;
    }
    std::string cutOffName = NameInUnclosedBlock(text);
    switch (LoadDescriptionTables(std::move(text), std::move(names))) {
        case LoadResult::NotADescriptionFile:
            ShowError(nullptr, "Not a valid description file");
            return LoadOutcome::NotLoaded;
        case LoadResult::OutOfMemory:
            ShowCannotBeRead(path, OutOfMemoryReason);
            return LoadOutcome::OutOfMemory;
        case LoadResult::Loaded:
            break;
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
        ShowWarning(MainWindow,
                    "The description file\n" + path + "\nends inside the description of \"" + cutOffName +
                        "\" and may have been cut off. That description is not shown, and the next "
                        "save leaves it out.");
    }
    return LoadOutcome::Loaded;
}
