#include "descfile/open.h"

#include <string>
#include <utility>
#include <vector>

#include "app/file_dialogs.h"
#include "descfile/load.h"
#include "descfile/save.h"
#include "store/described_folder.h"
#include "store/folder_listing.h"
#include "store/tables.h"

void OpenDescriptionFile(HWND owner) {
    if (!AskToSaveChanges(owner)) {
        return;
    }
    char path[MAX_PATH] = {};
    KnownFolder folder;
    if (!ChooseDescriptionFile(FileDialogKind::Open, owner, path, folder)) {
        return;
    }
    // Nothing changes before the folder is listed and the file loaded: a refused file must not become
    // the file that the next save overwrites, nor its folder the one described.
    std::vector<std::string> names;
    if (!ListKnownFolder(folder, names) || LoadDescriptionFile(path, names) != LoadOutcome::Loaded) {
        ReturnToDescribedFolder();
        return;
    }
    DescribedFolder = std::move(folder);
    DirtyFlag = 0;
}
