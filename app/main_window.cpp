#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "actions/description_dialog.h"
#include "actions/file_list_menu.h"
#include "app/commands.h"
#include "app/geometry.h"
#include "app/messages.h"
#include "app/seams.h"
#include "descfile/save.h"
#include "resources/resource_ids.h"
#include "store/tables.h"

HWND MainWindow = nullptr;
HWND Toolbar = nullptr;
HWND StatusBar = nullptr;
HWND WorkingDirEdit = nullptr;
HWND WorkingDirGroup = nullptr;
HWND FilesGroup = nullptr;
HWND FolderDescriptionGroup = nullptr;
HWND FolderDescriptionEdit = nullptr;
HWND FileList = nullptr;

namespace {

const char* const ClassName = "myWindowClass";

// The toolbar is data: New, Open and Save with the standard small images.
const TBBUTTON ToolbarButtons[] = {
    {STD_FILENEW, IDM_NEW_DESCRIPTION_FILE, TBSTATE_ENABLED, BTNS_BUTTON, {0}, 0, 0},
    {STD_FILEOPEN, IDM_OPEN_DESCRIPTION_FILE, TBSTATE_ENABLED, BTNS_BUTTON, {0}, 0, 0},
    {STD_FILESAVE, IDM_SAVE_DESCRIPTIONS, TBSTATE_ENABLED, BTNS_BUTTON, {0}, 0, 0},
};

// A child control as CreateWindowExA makes it, and the handle that keeps it.
struct ChildControl {
    HWND* handle;
    DWORD exStyle;
    const char* className;
    const char* text;
    DWORD style;
    int x, y, width, height;  // replaced by the first layout
    int id;
};

const DWORD GroupBoxStyle = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;

// The controls below the toolbar and above the status bar, in the order they are made.
const ChildControl ChildControls[] = {
    {&WorkingDirEdit, WS_EX_CLIENTEDGE, "EDIT", "",
     WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL, 0, 0, 100, 100,
     IDC_WORKING_DIR_EDIT},
    {&WorkingDirGroup, 0, "BUTTON", "Working directory", GroupBoxStyle, 50, 50, 100, 100,
     IDC_WORKING_DIR_GROUP},
    {&FilesGroup, 0, "BUTTON", "Files in folder", GroupBoxStyle, 50, 50, 100, 100, IDC_FILES_GROUP},
    {&FolderDescriptionGroup, 0, "BUTTON", "Folder description", GroupBoxStyle, 50, 50, 100, 100,
     IDC_FOLDER_DESCRIPTION_GROUP},
    {&FolderDescriptionEdit, WS_EX_CLIENTEDGE, "EDIT", "",
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_MULTILINE, 0, 0, 100, 100,
     IDC_FOLDER_DESCRIPTION_EDIT},
    {&FileList, WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_REPORT, 0, 10,
     200, 500, IDC_FILE_LIST},
};

HWND CreateChild(HWND parent, const ChildControl& child) {
    return CreateWindowExA(
        child.exStyle, child.className, child.text, child.style, child.x, child.y, child.width, child.height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)), GetModuleHandleA(nullptr), nullptr);
}

void CreateToolbar(HWND window) {
    Toolbar = CreateChild(
        window, {nullptr, 0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, IDC_TOOLBAR});
    if (Toolbar == nullptr) {
        ShowError(window, "Could not create tool bar.");
    }
    SendMessageA(Toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP images = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageA(Toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&images));
    SendMessageA(Toolbar, TB_ADDBUTTONSA, sizeof ToolbarButtons / sizeof ToolbarButtons[0],
                 reinterpret_cast<LPARAM>(ToolbarButtons));
}

void CreateStatusBar(HWND window) {
    StatusBar = CreateChild(
        window, {nullptr, 0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, IDC_STATUS_BAR});
    int rightEdges[] = {100, -1};
    SendMessageA(StatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
    SendMessageA(StatusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Loaded"));
}

void InsertListColumn(int index, const char* text, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = width;
    column.pszText = const_cast<char*>(text);
    SendMessageA(FileList, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

// Gives the file list its full-row selection, its columns and its own window procedure.
void SetUpFileList() {
    LRESULT extended = SendMessageA(FileList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageA(FileList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended | LVS_EX_FULLROWSELECT);
    InsertListColumn(0, "Filename", 276);
    InsertListColumn(1, "Description", 367);
    // The list's own procedure goes into its user-data slot before any message reaches the new one.
    LONG_PTR listOwnProc =
        SetWindowLongPtrA(FileList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileListProc));
    SetWindowLongPtrA(FileList, GWLP_USERDATA, listOwnProc);
}

// Builds every child control, in the order the layout and the tests expect.
LRESULT OnCreate(HWND window) {
    CreateToolbar(window);
    CreateStatusBar(window);
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadSmallIcon()));
    for (const ChildControl& child : ChildControls) {
        *child.handle = CreateChild(window, child);
    }
    SendMessageA(WorkingDirEdit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    LiftTextLimit(FolderDescriptionEdit);
    SetUpFileList();
    DisableEditing();
    FolderDescription = "File descriptions";
    return 0;
}

void PlaceChild(HWND control, const ChildPlace& place) {
    SetWindowPos(control, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER);
}

// Asks about unsaved changes, then closes. A save that fails keeps the window open, so the
// descriptions are not lost with it.
LRESULT OnClose(HWND window) {
    if (AskToSaveChanges(window)) {
        DestroyWindow(window);
    }
    return 0;
}

// Windows ends a session (sign-out, shut-down) without WM_CLOSE and then ends the process, so the close
// question is asked here, with a reason for Windows to show while it waits. Text typed in an open
// description dialog counts: it reaches the tables only when the dialog closes. A critical end allows no
// question: what can be saved without one is saved.
LRESULT OnQueryEndSession(HWND window, LPARAM how) {
    KeepOpenDescriptionText();
    if (how & ENDSESSION_CRITICAL) {
        SaveWithoutAsking();
        return TRUE;
    }
    if (DirtyFlag != 1) {
        return TRUE;
    }
    ShutdownBlockReasonSeam(window, L"Quillmark asks whether to save the changed descriptions.");
    bool mayEnd = AskToSaveChanges(window);
    ShutdownUnblockSeam(window);
    return mayEnd;
}

// The process may be ended as soon as this returns. Should a critical end come here without its query
// (Windows promises none), what can be saved without a question is saved; nothing is saved twice.
LRESULT OnEndSession(BOOL ending, LPARAM how) {
    if (ending && (how & ENDSESSION_CRITICAL)) {
        SaveWithoutAsking();
    }
    return 0;
}

void SetEditingControls(BOOL enabled) {
    EnableWindow(FileList, enabled);
    EnableWindow(WorkingDirEdit, enabled);
    EnableWindow(FolderDescriptionEdit, enabled);
}

}  // namespace

bool StartMainWindow(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLMARK));
    windowClass.hIconSm = LoadSmallIcon();
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassExA(&windowClass)) {
        ShowStartUpFailure("Window Registration Failed!");
        return false;
    }

    EditingEnabled = 0;
    RECT place = CentreOnDesktop(GetDesktopWindow(), MainWindowWidth, MainWindowHeight);
    HWND window = CreateWindowExA(0, ClassName, "Quillmark", WS_OVERLAPPEDWINDOW, place.left, place.top,
                                  MainWindowWidth, MainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        ShowStartUpFailure("Window Creation Failed!");
        return false;
    }
    HMENU menu = GetMenu(window);
    EnableMenuItem(menu, IDM_SAVE_DESCRIPTIONS, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(menu, IDM_VIEW_CODE, MF_BYCOMMAND | MF_GRAYED);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MainWindow = window;
    return true;
}

int RunMessageLoop() {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

RECT CentreOnDesktop(HWND reference, int width, int height) {
    RECT area = {};
    GetClientRect(reference, &area);
    Origin origin = CentredOrigin(area.right, area.bottom, width, height);
    area.left = origin.x;
    area.top = origin.y;
    return area;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            LayoutChildren(window);
            return 0;
        case WM_CLOSE:
            return OnClose(window);
        case WM_QUERYENDSESSION:
            return OnQueryEndSession(window, lParam);
        case WM_ENDSESSION:
            return OnEndSession(static_cast<BOOL>(wParam), lParam);
        case WM_NOTIFY:
            return HANDLE_WM_NOTIFY(window, wParam, lParam, OnMainNotify);
        case WM_COMMAND:
            return HANDLE_WM_COMMAND(window, wParam, lParam, OnMainCommand);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void LayoutChildren(HWND window) {
    SendMessageA(Toolbar, TB_AUTOSIZE, 0, 0);
    RECT toolbar = {};
    // Without a toolbar the children start at the top.
    int toolbarHeight =
        (Toolbar != nullptr && GetWindowRect(Toolbar, &toolbar)) ? toolbar.bottom - toolbar.top : 0;
    RECT client = {};
    GetClientRect(window, &client);
    ChildLayout layout = ChildLayoutFor(toolbarHeight, client.right, client.bottom);
    PlaceChild(WorkingDirEdit, layout.workingDirEdit);
    PlaceChild(WorkingDirGroup, layout.workingDirGroup);
    PlaceChild(FolderDescriptionGroup, layout.folderDescriptionGroup);
    PlaceChild(FolderDescriptionEdit, layout.folderDescriptionEdit);
    PlaceChild(FileList, layout.fileList);
    PlaceChild(FilesGroup, layout.filesGroup);
    SendMessageA(StatusBar, WM_SIZE, 0, 0);
}

void EnableEditing() {
    SetEditingControls(TRUE);
    HMENU menu = GetMenu(MainWindow);
    EnableMenuItem(menu, IDM_SAVE_DESCRIPTIONS, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, IDM_VIEW_CODE, MF_BYCOMMAND | MF_ENABLED);
    EditingEnabled = 1;
}

void DisableEditing() {
    SetEditingControls(FALSE);
}

LRESULT FileListCustomDraw(LPARAM notification) {
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notification);
    if (draw->nmcd.hdr.code != NM_CUSTOMDRAW) {
        return 0;
    }
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            unsigned column = static_cast<unsigned>(draw->iSubItem);
            if (column > 5) {
                return CDRF_DODEFAULT;
            }
            draw->clrText = RGB(0, 0, 0);
            draw->clrTextBk = column % 2 == 0 ? RGB(156, 156, 156) : RGB(200, 200, 200);
            return CDRF_NEWFONT;
        }
    }
    return 0;
}

int SelectedFileListRow() {
    return static_cast<int>(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string ControlText(HWND control) {
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void ShowFolderDescription(const std::string& text) {
    SetWindowTextA(FolderDescriptionEdit, text.c_str());
    // The box's own modify flag tells typing from the program's text.
    SendMessageA(FolderDescriptionEdit, EM_SETMODIFY, FALSE, 0);
}

void LiftTextLimit(HWND box) {
    SendMessageA(box, EM_SETLIMITTEXT, 0, 0);
}

void ReportTextThatDidNotFit(HWND owner, WORD code) {
    if (code == EN_MAXTEXT || code == EN_ERRSPACE) {
        ShowError(owner,
                  "The text is too long for this box: only the part that fitted was added. The rest is still "
                  "where it was copied from.");
    }
}

HICON LoadSmallIcon() {
    // Loaded once and kept for the whole run: a fresh icon for every dialog would be one more USER object
    // each time, never given back.
    static const HICON icon = static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMARK), IMAGE_ICON, 16, 16, LR_DEFAULTSIZE));
    return icon;
}

void ShowDescriptionFileTitle(const std::string& path) {
    SetWindowTextA(MainWindow, ("Quillmark - " + path).c_str());
}
