// Shows the main window with a sample folder opened, for screenshots: showcase.exe DESCRIPTION-FILE
// [SECONDS]. The file is opened through the program's own Open command, with the dialog answered.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "app/seams.h"
#include "resources/resource_ids.h"

namespace {

std::string ChosenFile;

BOOL WINAPI AnswerOpenDialog(LPOPENFILENAMEA dialog) {
    lstrcpynA(dialog->lpstrFile, ChosenFile.c_str(), static_cast<int>(dialog->nMaxFile));
    return TRUE;
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
    if (!StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) {
        return 1;
    }
    ShowOpenDialog = AnswerOpenDialog;
    SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN_DESCRIPTION_FILE, 0);
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(FileList, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&item));
    SetTimer(MainWindow, 1, seconds * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == MainWindow) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
