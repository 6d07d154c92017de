#include "actions/delete_file.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/messages.h"
#include "descfile/refresh.h"
#include "store/exact_names.h"
#include "store/folder_enum.h"
#include "store/folder_listing.h"
#include "store/tables.h"

namespace {

// Deletes exactly the entry of slot index. False, after saying why, when it is not deleted; an entry
// that is gone already counts as deleted, after saying so.
bool DeleteExactEntry(int index) {
    const std::string& name = FolderFiles[index];
    std::wstring path = ExactPathOfEntry(index);
    if (path.empty()) {
        ShowError(MainWindow, "Quillmark cannot tell which entry of the folder \"" + name +
                                  "\" is, so nothing was deleted. Refresh the folder and try again.");
        return false;
    }
    if (DeleteFileW(path.c_str())) {
        return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        ShowError(MainWindow, "\"" + name + "\" is no longer in the folder.");
        return true;
    }
    ShowError(MainWindow, "\"" + name + "\" could not be deleted from\n" + CurrentFolderPath() + "\n" +
                              SystemErrorText(error));
    return false;
}

// True when the entry of slot index is a folder, which DeleteFileW cannot delete.
bool EntryIsFolder(int index) {
    std::wstring path = ExactPathOfEntry(index);
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes the selected row's file as DeleteSelectedFile says. False when nothing was asked or the answer
// was No, or the entry is refused before asking; true once the deletion was tried.
bool AskAndDelete() {
    SelectedIndex = SelectedFileListRow();
    if (SelectedIndex == -1 || SelectedIndex >= FileCount) {
        return false;
    }
    const std::string name = FolderFiles[SelectedIndex];
    if (EntryIsDescriptionFile(SelectedIndex)) {
        ShowError(nullptr, "Cannot delete description file while application is running.");
        return false;
    }
    if (EntryIsFolder(SelectedIndex)) {
        ShowError(MainWindow, "\"" + name + "\" is a folder. Only files are deleted here.");
        return false;
    }
    if (!AskYesNo(MainWindow, "Delete file?", name)) {
        return false;
    }
    // The folder may have been swapped for another while the question was open; the entry of that
    // name there is not the one listed. A failure was said; listing the folder again could only say
    // more of the same.
    if (!EnterDescribedFolder(MainWindow) || !DeleteExactEntry(SelectedIndex)) {
        return true;
    }
    // The deleted entry's description leaves the file with the next save.
    if (!FolderDescriptions[SelectedIndex].empty()) {
        FolderDescriptions[SelectedIndex].clear();
        DirtyFlag = 1;
    }
    std::vector<std::string> names;
    if (ListDescribedFolder(names)) {
        RefreshWithListing(std::move(names));
    }
    return true;
}

}  // namespace

void DeleteSelectedFile(WhenNothingIsDeleted otherwise) {
    if (!AskAndDelete() && otherwise == WhenNothingIsDeleted::ListTheFolderAgain) {
        ScanFolder();
    }
}
