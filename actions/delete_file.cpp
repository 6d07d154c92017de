#include "actions/delete_file.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/main_window.h"
#include "descfile/refresh.h"
#include "descfile/save.h"
#include "store/folder_list.h"
#include "store/tables.h"

void DeleteSelectedFile() {
    SelectedIndex =
        static_cast<int>(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (SelectedIndex == -1 || SelectedIndex >= FileCount) {
        return;
    }
    const std::string name = FolderFiles[SelectedIndex];
    // Windows file names ignore letter case, so any spelling of the description file's name is it.
    if (lstrcmpiA(name.c_str(), CurrentDescFileName.c_str()) == 0) {
        MessageBoxA(nullptr, "Cannot delete description file while application is running.", "Error",
                    MB_OK | MB_ICONERROR);
        return;
    }
    if (MessageBoxA(MainWindow, "Delete file?", name.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    // A folder, a read-only or a locked file stays, and so does its description.
    if (!DeleteFileA(name.c_str())) {
        return;
    }
    FolderDescriptions[SelectedIndex].clear();
    // The edits of the other entries are written before the reload from disk, so none is lost. If
    // that save fails, the folder is read again in memory.
    if (SaveDescriptionFile() != SaveResult::Saved) {
        ScanFolder();
        return;
    }
    RefreshFolder();
    SaveDescriptionFile();
}
