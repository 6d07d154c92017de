#include "store/folder_listing.h"

#include <windows.h>

#include <string>
#include <utility>

#include "app/main_window.h"
#include "app/messages.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
#include "store/folder_scan.h"
#include "store/tables.h"

namespace {

void ShowFolderCannotBeListed(HWND owner, const std::string& folder, const std::string& reason) {
    ShowError(owner,
              ProblemText("The folder", folder, "cannot be listed", reason) + "\n\nNothing was changed.");
}

}  // namespace

bool ListKnownFolder(const KnownFolder& folder, std::vector<std::string>& names) {
    std::string reason;
    if (EnterKnownFolder(folder, reason) && ListCurrentFolder(names, reason)) {
        return true;
    }
    ShowFolderCannotBeListed(MainWindow, folder.path, reason);
    return false;
}

bool ListDescribedFolder(std::vector<std::string>& names) {
    return !DescribedFolder.path.empty() && ListKnownFolder(DescribedFolder, names);
}

bool EnterDescribedFolder(HWND owner) {
    std::string reason;
    if (EnterKnownFolder(DescribedFolder, reason)) {
        return true;
    }
    ShowFolderCannotBeListed(owner, DescribedFolder.path, reason);
    return false;
}

bool ScanFolder() {
    std::vector<std::string> names;
    if (!ListDescribedFolder(names)) {
        return false;
    }
    ScanFolderTables(std::move(names));
    FillFileList();
    return true;
}
