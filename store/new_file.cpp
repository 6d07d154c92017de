#include "store/new_file.h"

#include <string>
#include <utility>
#include <vector>

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "descfile/file_io.h"
#include "descfile/save.h"
#include "descfile/text_helpers.h"
#include "descfile/writer.h"
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
    // An existing file is not emptied here: the write below replaces it whole, so a failing write
    // leaves it intact. A new one is listed with the folder's other entries.
    bool existed = StampOfFile(path).exists;
    CreateFileIfMissing(path);
    auto giveUp = [&]() {
        if (!existed) {
            DeleteFileA(path);
        }
        ReturnToDescribedFolder();
    };
    std::vector<std::string> names;
    if (!ListKnownFolder(folder, names)) {
        giveUp();
        return;
    }
    // The file's first version, the folder and "A folder" with no entry described, is written before
    // anything of the window changes: when it cannot be, the window stays as it was, on the file in use.
    const std::string bytes = FormatDescriptionFile(CurrentFolderPath(), "A folder", {}, {}, 0);
    std::string reason;
    bool bothKept = false;
    if (!ReplaceFileContent(path, bytes, reason, &bothKept)) {
        giveUp();
        std::string text = ProblemText("The description file", path,
                                       existed ? "could not be replaced" : "could not be created", reason);
        ShowError(owner, existed && !bothKept ? text + "\n\nIt keeps its previous content." : text);
        return;
    }

    StartNewDescriptionTables(std::move(names));
    ShowFolderDescription(FolderDescription);
    CurrentDescFile = path;
    CurrentDescFileName = ExtractFileName(CurrentDescFile);
    CurrentDescFileStamp = StampOfFile(CurrentDescFile);
    CurrentDescFileStamp.digest = DigestOfBytes(bytes);
    DescribedFolder = std::move(folder);
    SavedFlag = 1;
    DirtyFlag = 0;
    SetWindowTextA(WorkingDirEdit, CurrentFolderPath().c_str());
    ShowDescriptionFileTitle(CurrentDescFile);
    EnableEditing();
    FillFileList();
}
