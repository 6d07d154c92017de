#include "app/about_box.h"

#include "resources/resource_ids.h"

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            // IDCANCEL, which Escape sends, is passed over on purpose.
            if (LOWORD(wParam) == IDC_ABOUT_OK) {
                EndDialog(dialog, IDC_ABOUT_OK);
            }
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            return TRUE;
    }
    return FALSE;
}
