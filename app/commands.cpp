#include "app/commands.h"

#include <commctrl.h>

#include "actions/description_dialog.h"
#include "app/about_box.h"
#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/open.h"
#include "descfile/save.h"
#include "resources/resource_ids.h"
#include "store/file_list_view.h"
#include "store/new_file.h"
#include "store/tables.h"

namespace {

// The project's web page, opened by command 29.
const char* const WebPageAddress = "https://quillmark.example.org/";

// Only typing counts as a change: the box sets its modify flag for typing, never for the program's text.
void OnFolderDescriptionNotify(HWND window, WORD code) {
    if (code == EN_CHANGE && SendMessageA(FolderDescriptionEdit, EM_GETMODIFY, 0, 0)) {
        DirtyFlag = 1;
    }
    ReportTextThatDidNotFit(window, code);
}

}  // namespace

void OnMainCommand(HWND window, int id, HWND, UINT code) {
    switch (id) {
        case IDM_NEW_DESCRIPTION_FILE:
            NewDescriptionFile(window);
            break;
        case IDM_OPEN_DESCRIPTION_FILE:
            OpenDescriptionFile(window);
            break;
        case IDM_SAVE_DESCRIPTIONS:
            SaveDescriptionFile();
            break;
        case IDM_VIEW_CODE:
            if (!CurrentDescFile.empty()) {
                ShellExecuteSeam(window, "open", "notepad.exe", CurrentDescFile.c_str(), nullptr,
                                 SW_SHOWNORMAL);
            }
            break;
        case IDM_ABOUT:
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc,
                            0);
            break;
        case IDM_OPEN_WEB_PAGE:
            ShellExecuteSeam(window, "open", WebPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
            break;
        case IDC_FOLDER_DESCRIPTION_EDIT:
            OnFolderDescriptionNotify(window, static_cast<WORD>(code));
            break;
    }
}

LRESULT OnMainNotify(HWND window, int id, NMHDR* header) {
    // The main window is an ANSI window, so the list asks in the A form.
    switch (header->code) {
        case LVN_GETDISPINFOA:
            if (id == IDC_FILE_LIST) {
                FileListText(reinterpret_cast<NMLVDISPINFOA*>(header));
            }
            return 0;
        case NM_DBLCLK:
            OpenFileDescriptionDialog(window);
            return 0;
        case NM_CUSTOMDRAW:
            return id == IDC_FILE_LIST ? FileListCustomDraw(reinterpret_cast<LPARAM>(header)) : 0;
    }
    return 0;
}
