#include "store/folder_list.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>

#include "app/main_window.h"
#include "store/folder_enum.h"
#include "store/folder_scan.h"
#include "store/tables.h"

bool ListDescribedFolder(std::vector<std::string>& names) {
    std::string reason;
    if (ListCurrentFolder(names, reason)) {
        return true;
    }
    std::string message =
        "The folder\n" + CurrentFolderPath() + "\ncannot be listed:\n" + reason + "\n\nNothing was changed.";
    MessageBoxA(MainWindow, message.c_str(), "Error", MB_ICONERROR);
    return false;
}

bool ScanFolder() {
    std::vector<std::string> names;
    if (!ListDescribedFolder(names)) {
        return false;
    }
    ScanFolderIntoTables(std::move(names));
    FillFileList();
    return true;
}

void FillFileList() {
    // Redrawing is held back while the rows go in, and rows are appended in table order, which keeps
    // filling a large folder linear. The rows carry no copies of the texts: the list asks for a cell's
    // text when it draws or reads it, so a fill costs the same whatever the texts' lengths.
    SendMessageA(FileList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(FileList, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(FileList, LVM_SETITEMCOUNT, FileCount, 0);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = LPSTR_TEXTCALLBACKA;
    for (int i = 0; i < FileCount; ++i) {
        item.iItem = i;
        item.iSubItem = 0;
        item.iItem =
            static_cast<int>(SendMessageA(FileList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        item.iSubItem = 1;
        SendMessageA(FileList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(FileList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FileList, nullptr, TRUE);
    std::string count = "File count: " + std::to_string(FileCount);
    SendMessageA(StatusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(count.c_str()));
}

void FileListText(NMLVDISPINFOA* info) {
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    // The tables can change before the list is refilled, so a row may lie beyond the valid slots.
    const std::string* text = nullptr;
    if (item.iItem >= 0 && item.iItem < FileCount) {
        if (item.iSubItem == 0) {
            text = &FolderFiles[item.iItem];
        } else if (item.iSubItem == 1) {
            text = &FolderDescriptions[item.iItem];
        }
    }
    lstrcpynA(item.pszText, text != nullptr ? text->c_str() : "", item.cchTextMax);
}

void UpdateFileListRow(int row) {
    SendMessageA(FileList, LVM_REDRAWITEMS, row, row);
    // One row at a time: clearing the state of every row at once would touch each of them.
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (UINT flag : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int marked = static_cast<int>(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flag));
        if (marked != -1) {
            SendMessageA(FileList, LVM_SETITEMSTATE, marked, reinterpret_cast<LPARAM>(&item));
        }
    }
}
