// Shows the program in use, for screenshots: showcase.exe DESCRIPTION-FILE [SECONDS [SCENE [REFUSED-FILE]]].
// The file is opened through the program's own Open command, with the dialog answered, and the row of
// "shed plan.txt" is selected. SCENE then brings up one window through the messages a user's action
// sends: "main" (nothing more), "description" (a double-click), "menu" (a right-click on the row),
// "delete" (the Delete key), "about" (Help > About) or "invalid" (opening REFUSED-FILE). A second later
// it prints "crop WxH+X+Y", the screen rectangle worth showing, and leaves the window up until SECONDS
// have passed; then it exits without answering anything, so nothing is changed on disk.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_window.h"
#include "app/seams.h"
#include "resources/resource_ids.h"

namespace {

std::string ChosenFile;
std::string Scene;

BOOL WINAPI AnswerOpenDialog(LPOPENFILENAMEA dialog) {
    lstrcpynA(dialog->lpstrFile, ChosenFile.c_str(), static_cast<int>(dialog->nMaxFile));
    return TRUE;
}

int SelectRow(const char* name) {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name;
    int row = static_cast<int>(
        SendMessageA(FileList, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(FileList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    return row;
}

// Posted, not sent, so that each modal window runs its loop from the main loop as it would for a user.
void StartScene(int row) {
    static NMHDR doubleClick = {};
    if (Scene == "description") {
        doubleClick.hwndFrom = FileList;
        doubleClick.idFrom = IDC_FILE_LIST;
        doubleClick.code = static_cast<UINT>(NM_DBLCLK);
        PostMessageA(MainWindow, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&doubleClick));
    } else if (Scene == "menu") {
        RECT cell = {LVIR_LABEL};
        SendMessageA(FileList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        PostMessageA(FileList, WM_RBUTTONDOWN, MK_RBUTTON,
                     MAKELPARAM(cell.left + 60, (cell.top + cell.bottom) / 2));
    } else if (Scene == "delete") {
        PostMessageA(FileList, WM_KEYDOWN, VK_DELETE, 1);
    } else if (Scene == "about") {
        PostMessageA(MainWindow, WM_COMMAND, IDM_ABOUT, 0);
    } else if (Scene == "invalid") {
        PostMessageA(MainWindow, WM_COMMAND, IDM_OPEN_DESCRIPTION_FILE, 0);
    }
}

BOOL CALLBACK FindModal(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (window != MainWindow && IsWindowVisible(window) && std::strcmp(name, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The menu is shown inside the main window; a dialog or message box on its own.
void CALLBACK ReportCrop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    RECT area = {};
    GetWindowRect(MainWindow, &area);
    if (Scene == "menu") {
        RECT menu = {};
        HWND popup = FindWindowA("#32768", nullptr);
        if (!popup || !GetWindowRect(popup, &menu)) {
            std::puts("crop none");
            std::fflush(stdout);
            return;
        }
        UnionRect(&area, &area, &menu);
    } else if (Scene != "main") {
        HWND modal = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&modal));
        if (!modal) {
            std::puts("crop none");
            std::fflush(stdout);
            return;
        }
        GetWindowRect(modal, &area);
    }
    std::printf("crop %ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left,
                area.top);
    std::fflush(stdout);
}

void CALLBACK Finish(HWND, UINT, UINT_PTR, DWORD) {
    ExitProcess(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    char full[MAX_PATH] = {};
    GetFullPathNameA(argv[1], sizeof full, full, nullptr);
    ChosenFile = full;
    int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    Scene = argc > 3 ? argv[3] : "main";
    if (!StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) {
        return 1;
    }
    OpenDialogSeam = AnswerOpenDialog;
    SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN_DESCRIPTION_FILE, 0);
    int row = SelectRow("shed plan.txt");
    if (Scene == "invalid" && argc > 4) {
        GetFullPathNameA(argv[4], sizeof full, full, nullptr);
        ChosenFile = full;
    }
    StartScene(row);
    // Thread timers, so that they fire inside the modal loops too.
    SetTimer(nullptr, 0, 1000, ReportCrop);
    SetTimer(nullptr, 0, seconds * 1000, Finish);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
