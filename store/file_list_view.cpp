#include "store/file_list_view.h"

#include <string>

#include "app/main_window.h"
#include "store/tables.h"

namespace {

// Leaves no row selected or focused and no selection mark, as an emptied list has. One row at a time:
// changing the state of every row at once would touch each of them.
void ClearFileListMarks() {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (UINT flag : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int marked = static_cast<int>(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flag));
        if (marked != -1) {
            SendMessageA(FileList, LVM_SETITEMSTATE, marked, reinterpret_cast<LPARAM>(&item));
        }
    }
    SendMessageA(FileList, LVM_SETSELECTIONMARK, 0, -1);
}

}  // namespace

void FillFileList() {
    // The rows carry no copies of the texts: the list asks for a cell's text when it draws or reads it
    // (FileListText). So the rows already there are kept and only the difference in length is added or
    // removed at the end, where no other row moves. Emptying the list first would take time quadratic
    // in its length in Wine's list view and leave its heap fragmented for the rows that follow.
    SendMessageA(FileList, WM_SETREDRAW, FALSE, 0);
    ClearFileListMarks();
    int rows = static_cast<int>(SendMessageA(FileList, LVM_GETITEMCOUNT, 0, 0));
    while (rows > FileCount) {
        SendMessageA(FileList, LVM_DELETEITEM, --rows, 0);
    }
    if (rows < FileCount) {
        SendMessageA(FileList, LVM_SETITEMCOUNT, FileCount, 0);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.pszText = LPSTR_TEXTCALLBACKA;
        for (; rows < FileCount; ++rows) {
            item.iItem = rows;
            item.iSubItem = 0;
            item.iItem =
                static_cast<int>(SendMessageA(FileList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            item.iSubItem = 1;
            SendMessageA(FileList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
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
    ClearFileListMarks();
}
