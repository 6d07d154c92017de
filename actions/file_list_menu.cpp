#include "actions/file_list_menu.h"

#include <commctrl.h>

#include "actions/delete_file.h"
#include "actions/description_dialog.h"
#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/refresh.h"
#include "resources/resource_ids.h"
#include "store/folder_list.h"

namespace {

// Other keys are swallowed as well, so the arrow keys do not move the selection. The Delete key reads
// the folder again also when nothing was deleted; a deletion has read it already.
void OnFileListKey(WPARAM key) {
    if (key == VK_DELETE) {
        DeleteSelectedFile(WhenNothingIsDeleted::ListTheFolderAgain);
    }
}

void OnFileListCommand(HWND list, WORD id) {
    switch (id) {
        case IDM_SET_DESCRIPTION:
            OpenFileDescriptionDialog(list);
            break;
        case IDM_DELETE_FILE:
            DeleteSelectedFile(WhenNothingIsDeleted::KeepTheList);
            break;
        case IDM_REFRESH_FOLDER:
            RefreshFolder();
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
    if (SelectedFileListRow() != -1) {
        InsertMenuA(menu, 2, MF_BYPOSITION | MF_STRING, IDM_SET_DESCRIPTION, "Set / view description");
        InsertMenuA(menu, 3, MF_BYPOSITION | MF_STRING, IDM_DELETE_FILE, "Delete file");
    }
    PopupMenuSeam(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, list, nullptr);
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
