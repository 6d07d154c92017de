#include "actions/file_list_menu.h"

#include <commctrl.h>

#include "actions/delete_file.h"
#include "actions/description_dialog.h"
#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/refresh.h"
#include "resources/resource_ids.h"

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

// The context menu's items; those for a row only while one is selected.
const struct {
    UINT flags;
    UINT id;
    const char* text;
    bool forARow;
} FileListMenuItems[] = {
    {MF_STRING, IDM_REFRESH_FOLDER, "Refresh folder", false},
    {MF_SEPARATOR, 0, nullptr, false},
    {MF_STRING, IDM_SET_DESCRIPTION, "Set / view description", true},
    {MF_STRING, IDM_DELETE_FILE, "Delete file", true},
};

// The press itself never reaches the list, so it selects nothing: the item commands act on the row
// selected before.
void ShowFileListMenu(HWND list, LPARAM position) {
    POINT point = {LOWORD(position), HIWORD(position)};
    ClientToScreen(list, &point);
    HMENU menu = CreatePopupMenu();
    bool rowSelected = SelectedFileListRow() != -1;
    UINT place = 0;
    for (const auto& item : FileListMenuItems) {
        if (rowSelected || !item.forARow) {
            InsertMenuA(menu, place++, MF_BYPOSITION | item.flags, item.id, item.text);
        }
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
