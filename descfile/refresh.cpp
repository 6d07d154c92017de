#include "descfile/refresh.h"

#include <utility>

#include "descfile/load.h"
#include "descfile/save.h"
#include "store/file_list_view.h"
#include "store/folder_listing.h"
#include "store/folder_scan.h"
#include "store/tables.h"

void RefreshFolder() {
    std::vector<std::string> names;
    if (ListDescribedFolder(names)) {
        RefreshWithListing(std::move(names));
    }
}

void RefreshWithListing(std::vector<std::string> names) {
    // Without unsaved changes the file on disk already holds everything shown, so nothing is written:
    // writing would replace what another program may have saved since.
    bool saved = DirtyFlag != 1 || SaveDescriptionFile() == SaveOutcome::Saved;
    if (saved && LoadDescriptionFile(CurrentDescFile, names) != LoadOutcome::NotLoaded) {
        return;
    }
    ScanFolderTables(std::move(names));
    FillFileList();
}
