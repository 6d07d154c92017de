#include "store/folder_list.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/main_window.h"
#include "store/folder_scan.h"
#include "store/tables.h"

void ScanFolder() {
    SendMessageA(FileList, LVM_DELETEALLITEMS, 0, 0);
    ScanFolderIntoTables();
    FillFileList();
}

void FillFileList() {
    // Redrawing is held back while the rows go in, and rows are appended in table order, which keeps
    // filling a large folder linear.
    SendMessageA(FileList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(FileList, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(FileList, LVM_SETITEMCOUNT, FileCount, 0);
    LVITEMA item = {};
    for (int i = 0; i < FileCount; ++i) {
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.iSubItem = 0;
        item.pszText = const_cast<char*>(FolderFiles[i].c_str());
        item.cchTextMax = 256;
        int row =
            static_cast<int>(SendMessageA(FileList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        item.iItem = row;
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(FolderDescriptions[i].c_str());
        SendMessageA(FileList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(FileList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FileList, nullptr, TRUE);
    std::string count = "File count: " + std::to_string(FileCount);
    SendMessageA(StatusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(count.c_str()));
}
