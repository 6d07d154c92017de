#include "actions/description_dialog.h"

#include <commctrl.h>

#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/messages.h"
#include "app/seams.h"
#include "resources/resource_ids.h"
#include "store/exact_names.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
#include "store/folder_listing.h"
#include "store/tables.h"

HWND FileDescriptionEdit = nullptr;

namespace {

// The description dialog while it is open; null otherwise.
HWND OpenDescriptionDialog = nullptr;

void OnDescriptionDialogInit(HWND dialog) {
    OpenDescriptionDialog = dialog;
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadSmallIcon()));
    SetWindowTextA(dialog, ("File description - " + FolderFiles[SelectedIndex]).c_str());
    FileDescriptionEdit = CreateWindowExA(
        WS_EX_CLIENTEDGE, "EDIT", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_MULTILINE, 0, 0, 100, 100,
        dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILE_DESCRIPTION_EDIT)),
        GetModuleHandleA(nullptr), nullptr);
    LiftTextLimit(FileDescriptionEdit);
    SendMessageA(FileDescriptionEdit, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(FolderDescriptions[SelectedIndex].c_str()));
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    SetWindowLongPtrA(dialog, GWL_STYLE, style | WS_MAXIMIZEBOX);
}

void OnDescriptionDialogSize(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    // A WM_SIZE can come before WM_INITDIALOG has made the edit box.
    HWND edit = GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT);
    if (edit != nullptr) {
        SetWindowPos(edit, nullptr, 0, 0, client.right, client.bottom - 30, SWP_NOZORDER);
    }
    SetWindowPos(GetDlgItem(dialog, IDC_OPEN_FILE), nullptr, 0, client.bottom - 27, 100, 26, SWP_NOZORDER);
}

// Takes the edited text into the table; a changed one counts as unsaved. Only this row's text can have
// changed, so only this row is shown again.
void KeepDialogText(HWND dialog) {
    std::string text = ControlText(GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT));
    // The box shows a description only up to a NUL byte (another program may have written one), so a
    // box closed as it was shown keeps the whole description.
    const std::string& stored = FolderDescriptions[SelectedIndex];
    if (text != std::string_view(stored).substr(0, stored.find('\0'))) {
        FolderDescriptions[SelectedIndex] = text;
        DirtyFlag = 1;
    }
    UpdateFileListRow(SelectedIndex);
}

// Every close keeps the edited text.
void OnDescriptionDialogClose(HWND dialog) {
    KeepDialogText(dialog);
    EndDialog(dialog, 0);
}

// "Open file": hands the shell exactly the listed entry, or nothing when it cannot be told which entry
// that is, it has gone, or the shell would take its name for another.
void OpenListedEntry(HWND dialog) {
    if (!EnterDescribedFolder(dialog)) {
        return;
    }
    const std::string quoted = "\"" + FolderFiles[SelectedIndex] + "\"";
    std::wstring path = ExactPathOfEntry(SelectedIndex), folder, name;
    std::string problem;
    if (path.empty()) {
        problem = quoted +
                  " cannot be told apart from another entry of the folder. Refresh the folder and try again.";
    } else if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        problem = error == ERROR_FILE_NOT_FOUND ? quoted + " is no longer in the folder."
                                                : quoted + " cannot be opened:\n" + SystemErrorText(error);
    } else if (!ExactEntryOf(SelectedIndex, folder, name) ||
               !OpenEntrySeam(dialog, folder.c_str(), name.c_str())) {
        problem = quoted + " cannot be handed to the shell by its exact name, so it was not opened.";
    }
    if (!problem.empty()) {
        ShowError(dialog, problem);
    }
}

}  // namespace

void OpenFileDescriptionDialog(HWND owner) {
    SelectedIndex = SelectedFileListRow();
    if (SelectedIndex == -1 || SelectedIndex >= FileCount) {
        return;
    }
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_DESCRIPTION), owner,
                    FileDescriptionDialogProc, 0);
}

INT_PTR CALLBACK FileDescriptionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnDescriptionDialogInit(dialog);
            break;
        case WM_SIZE:
            OnDescriptionDialogSize(dialog);
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_OPEN_FILE) {
                OpenListedEntry(dialog);
            } else if (LOWORD(wParam) == IDC_FILE_DESCRIPTION_EDIT) {
                ReportTextThatDidNotFit(dialog, HIWORD(wParam));
            }
            break;
        case WM_CLOSE:
            OnDescriptionDialogClose(dialog);
            break;
        case WM_DESTROY:
            OpenDescriptionDialog = nullptr;
            break;
    }
    return FALSE;
}

void KeepOpenDescriptionText() {
    if (OpenDescriptionDialog != nullptr) {
        KeepDialogText(OpenDescriptionDialog);
    }
}
