#include "actions/file_list_menu.h"

#include <commctrl.h>

#include "actions/delete_file.h"
#include "actions/description_dialog.h"
#include "app/seams.h"
#include "descfile/refresh.h"
#include "descfile/save.h"
#include "resources/resource_ids.h"
#include "store/folder_list.h"

namespace {

int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Other keys are swallowed as well, so the arrow keys do not move the selection.
void OnFileListKey(WPARAM key) {
    if (key == VK_DELETE) {
        DeleteSelectedFile();
        ScanFolder();
    }
}

// Refresh saves first. When that save fails the file on disk is older than the tables, so the folder
// is read again in memory instead, keeping every unsaved description.
void RefreshAfterSaving() {
    if (SaveDescriptionFile() == SaveResult::Failed) {
        ScanFolder();
        return;
    }
    RefreshFolder();
}

void OnFileListCommand(HWND list, WORD id) {
    switch (id) {
        case IDM_SET_DESCRIPTION:
            OpenFileDescriptionDialog(list);
            break;
        case IDM_DELETE_FILE:
            DeleteSelectedFile();
            break;
        case IDM_REFRESH_FOLDER:
            RefreshAfterSaving();
            break;
    }
}

// The press itself never reaches the list, so it selects nothing: the item commands act on the row
// selected before.
void ShowFileListMenu(HWND list, LPARAM position) {
    POINT point = {LOWORD(position), HIWORD(position)};
    ClientToScreen(list, &point);
    HMENU menu = CreatePopupMenu();
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_REFRESH_FOLDER, "Refresh folder");
    InsertMenuA(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (SelectedRow(list) != -1) {
        InsertMenuA(menu, 2, MF_BYPOSITION | MF_STRING, IDM_SET_DESCRIPTION, "Set / view description");
        InsertMenuA(menu, 3, MF_BYPOSITION | MF_STRING, IDM_DELETE_FILE, "Delete file");
    }
    ShowPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, list, nullptr);
    DestroyMenu(menu);
}

}  // namespace

LRESULT CALLBACK FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    static const WNDPROC listOwnProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_USERDATA));
    switch (message) {
        case WM_KEYDOWN:
            OnFileListKey(wParam);
            return 0;
        case WM_COMMAND:
            OnFileListCommand(list, LOWORD(wParam));
            return 0;
        case WM_RBUTTONDOWN:
            ShowFileListMenu(list, lParam);
            return 0;
    }
    return CallWindowProcA(listOwnProc, list, message, wParam, lParam);
}
