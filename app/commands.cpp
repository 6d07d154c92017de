#include "app/commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "actions/description_dialog.h"
#include "app/about_box.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/seams.h"
#include "descfile/open.h"
#include "descfile/save.h"
#include "resources/resource_ids.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
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

// The shell's reason for a result of ShellExecuteA at or below 32; the others are the system's errors.
std::string ShellErrorText(INT_PTR result) {
    switch (result) {
        case 0:
        case SE_ERR_OOM:
            return "There is not enough memory.";
        case SE_ERR_SHARE:
            return "Another program is using the file.";
        case SE_ERR_ASSOCINCOMPLETE:
        case SE_ERR_NOASSOC:
            return "No program is set up to open it.";
        case SE_ERR_DDETIMEOUT:
        case SE_ERR_DDEFAIL:
        case SE_ERR_DDEBUSY:
            return "The program that opens it did not answer.";
        case SE_ERR_DLLNOTFOUND:
            return "A library the program needs was not found.";
    }
    return SystemErrorText(static_cast<unsigned long>(result));
}

// Notepad is an optional part of current Windows: when it cannot be started, say so and why.
void ViewCode(HWND window) {
    if (CurrentDescFile.empty()) {
        return;
    }
    INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteSeam(window, "open", "notepad.exe", CurrentDescFile.c_str(), nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        ShowError(window, ProblemText("The description file", CurrentDescFile,
                                      "could not be opened in Notepad", ShellErrorText(result)));
    }
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
            ViewCode(window);
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
