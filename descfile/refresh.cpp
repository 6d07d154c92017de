#include "descfile/refresh.h"

#include <utility>

#include "descfile/open.h"
#include "descfile/save.h"
#include "store/folder_list.h"
#include "store/folder_scan.h"
#include "store/tables.h"

void RefreshFolder() {
    if (CurrentDescFile.empty()) {
        return;
    }
    std::vector<std::string> names;
    if (ListDescribedFolder(names)) {
        RefreshWithListing(names, false);
    }
}

void RefreshWithListing(std::vector<std::string>& names, bool rowsFollowFolder) {
    // Without unsaved changes the file on disk already holds everything shown, so nothing is written:
    // writing would replace what another program may have saved since.
    bool saved = DirtyFlag != 1 || SaveDescriptionFile() == SaveResult::Saved;
    if (saved) {
        std::string text;
        FileStamp stamp;
        if (ReadAcceptedDescriptionText(CurrentDescFile, text, stamp)) {
            LoadDescriptionText(CurrentDescFile, std::move(text), names, stamp);
            return;
        }
        if (!rowsFollowFolder) {
            return;
        }
    }
    ScanFolderTables(std::move(names));
    FillFileList();
}
