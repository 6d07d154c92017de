#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/commands.h"
#include "app/geometry.h"
#include "app/main_window.h"
#include "resources/resource_ids.h"
#include "store/file_list_view.h"
#include "store/folder_enum.h"
#include "store/tables.h"
#include "tests/gui/gui_harness.h"

#if defined(__i386__)
// The record sizes the 32-bit program is built with.
static_assert(sizeof(WNDCLASSEXA) == 48, "WNDCLASSEXA");
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA");
static_assert(sizeof(TBBUTTON) == 20, "TBBUTTON");
#endif

namespace {

using StartUp = MainWindowTest;
using Commands = MainWindowTest;
using FileListView = MainWindowTest;

TEST(Geometry, CentredOriginTruncatesEachHalf) {
    struct Case {
        int width, height, x, y;
    };
    const Case cases[] = {{1920, 1080, 618, 278},
                          {640, 480, -22, -22},
                          {1024, 768, 170, 122},
                          {685, 525, 0, 0},
                          {1, 1, -342, -262}};
    for (const Case& c : cases) {
        Origin origin = CentredOrigin(c.width, c.height, MainWindowWidth, MainWindowHeight);
        EXPECT_EQ(origin.x, c.x) << c.width;
        EXPECT_EQ(origin.y, c.y) << c.height;
    }
}

TEST_F(StartUp, MainWindowIsCentredOnTheDesktop) {
    RECT desktop, window;
    GetClientRect(GetDesktopWindow(), &desktop);
    GetWindowRect(MainWindow, &window);
    Origin expected = CentredOrigin(desktop.right, desktop.bottom, MainWindowWidth, MainWindowHeight);
    EXPECT_EQ(window.left, expected.x);
    EXPECT_EQ(window.top, expected.y);
    EXPECT_EQ(window.right - window.left, MainWindowWidth);
    EXPECT_EQ(window.bottom - window.top, MainWindowHeight);
    EXPECT_EQ(TextOf(MainWindow), "Quillmark");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(MainWindow, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
              WS_OVERLAPPEDWINDOW);
    char className[64] = {};
    GetClassNameA(MainWindow, className, sizeof className);
    EXPECT_STREQ(className, "myWindowClass");
    EXPECT_EQ(GetClassLongPtrA(MainWindow, GCLP_HBRBACKGROUND), COLOR_MENU + 1);
    EXPECT_NE(SendMessageA(MainWindow, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(StartUp, EveryChildHasItsClassTextStyleAndId) {
    struct Child {
        HWND handle;
        const char* className;
        const char* text;
        DWORD style;
        DWORD exStyle;
        int id;
    };
    const Child children[] = {
        {Toolbar, "ToolbarWindow32", "", WS_CHILD | WS_VISIBLE, 0, IDC_TOOLBAR},
        {StatusBar, "msctls_statusbar32", "Loaded", WS_CHILD | WS_VISIBLE, 0, IDC_STATUS_BAR},
        {WorkingDirEdit, "Edit", "", 0x500008C0 | WS_DISABLED, WS_EX_CLIENTEDGE, IDC_WORKING_DIR_EDIT},
        {WorkingDirGroup, "Button", "Working directory", 0x50000007, 0, IDC_WORKING_DIR_GROUP},
        {FilesGroup, "Button", "Files in folder", 0x50000007, 0, IDC_FILES_GROUP},
        {FolderDescriptionGroup, "Button", "Folder description", 0x50000007, 0, IDC_FOLDER_DESCRIPTION_GROUP},
        {FolderDescriptionEdit, "Edit", "", 0x50211004 | WS_DISABLED, WS_EX_CLIENTEDGE,
         IDC_FOLDER_DESCRIPTION_EDIT},
        {FileList, "SysListView32", "", 0x5081000D | WS_DISABLED, WS_EX_CLIENTEDGE, IDC_FILE_LIST},
    };
    for (const Child& c : children) {
        ASSERT_NE(c.handle, nullptr) << c.id;
        char className[64] = {};
        GetClassNameA(c.handle, className, sizeof className);
        EXPECT_STRCASEEQ(className, c.className) << c.id;
        EXPECT_EQ(TextOf(c.handle), c.text) << c.id;
        DWORD style = static_cast<DWORD>(GetWindowLongPtrA(c.handle, GWL_STYLE));
        EXPECT_EQ(style & c.style, c.style) << c.id << " has style " << std::hex << style;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(c.handle, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE, c.exStyle)
            << c.id;
        EXPECT_EQ(GetDlgCtrlID(c.handle), c.id);
        EXPECT_EQ(GetParent(c.handle), MainWindow);
    }
    EXPECT_EQ(SendMessageA(WorkingDirEdit, WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(FolderDescription, "File descriptions");
    EXPECT_EQ(EditingEnabled, 0);
}

TEST_F(StartUp, ToolbarStatusBarAndListHoldTheirParts) {
    {
        ASSERT_EQ(SendMessageA(Toolbar, TB_BUTTONCOUNT, 0, 0), 3);
        const int commands[] = {IDM_NEW_DESCRIPTION_FILE, IDM_OPEN_DESCRIPTION_FILE, IDM_SAVE_DESCRIPTIONS};
        const int images[] = {STD_FILENEW, STD_FILEOPEN, STD_FILESAVE};
        for (int i = 0; i < 3; ++i) {
            TBBUTTON button = {};
            SendMessageA(Toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            EXPECT_EQ(button.idCommand, commands[i]);
            EXPECT_EQ(button.iBitmap, images[i]);
            EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
        }
    }

    {
        int edges[2] = {};
        ASSERT_EQ(SendMessageA(StatusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges)), 2);
        EXPECT_EQ(edges[0], 100);
        EXPECT_EQ(edges[1], -1);
        char text[64] = {};
        SendMessageA(StatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "Loaded");
    }

    {
        EXPECT_TRUE(SendMessageA(FileList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
        const char* texts[] = {"Filename", "Description"};
        const int widths[] = {276, 367};
        for (int i = 0; i < 2; ++i) {
            char text[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            ASSERT_TRUE(SendMessageA(FileList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
            EXPECT_STREQ(text, texts[i]);
            EXPECT_EQ(column.cx, widths[i]);
        }
    }
}

TEST_F(StartUp, SaveAndViewCodeAreGreyedUntilEditing) {
    EXPECT_TRUE(MenuState(IDM_SAVE_DESCRIPTIONS) & MF_GRAYED);
    EXPECT_TRUE(MenuState(IDM_VIEW_CODE) & MF_GRAYED);
    EXPECT_FALSE(MenuState(IDM_NEW_DESCRIPTION_FILE) & MF_GRAYED);
    EXPECT_FALSE(MenuState(IDM_OPEN_DESCRIPTION_FILE) & MF_GRAYED);
    EXPECT_FALSE(MenuState(IDM_ABOUT) & MF_GRAYED);
    EXPECT_FALSE(IsWindowEnabled(FileList));

    for (int twice = 0; twice < 2; ++twice) {
        EnableEditing();
        EXPECT_FALSE(MenuState(IDM_SAVE_DESCRIPTIONS) & MF_GRAYED);
        EXPECT_FALSE(MenuState(IDM_VIEW_CODE) & MF_GRAYED);
        EXPECT_TRUE(IsWindowEnabled(FileList));
        EXPECT_TRUE(IsWindowEnabled(WorkingDirEdit));
        EXPECT_TRUE(IsWindowEnabled(FolderDescriptionEdit));
        EXPECT_EQ(EditingEnabled, 1);
    }
}

class LayoutTest : public MainWindowTest, public testing::WithParamInterface<SIZE> {};

TEST_P(LayoutTest, ChildrenFollowTheClientArea) {
    SIZE client = GetParam();
    // Size the window so its client area is the wanted one.
    RECT frame = {0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(MainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages();
    RECT area;
    GetClientRect(MainWindow, &area);
    RECT bar;
    GetWindowRect(Toolbar, &bar);
    // The places the layout is drawn to, for a toolbar T high in a client area W x H.
    const int T = bar.bottom - bar.top, W = area.right, H = area.bottom;
    const std::pair<HWND, ChildPlace> places[] = {
        {WorkingDirEdit, {10, T + 22, W - 20, 20}},        {WorkingDirGroup, {0, T + 2, W - 3, 48}},
        {FolderDescriptionGroup, {0, T + 52, W - 3, 150}}, {FolderDescriptionEdit, {10, T + 70, W - 20, 120}},
        {FileList, {10, T + 230, W - 20, H - 295}},        {FilesGroup, {0, T + 210, W - 3, H - 265}}};
    for (const auto& p : places) {
        RECT r;
        GetWindowRect(p.first, &r);
        MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, p.second.x) << GetDlgCtrlID(p.first);
        EXPECT_EQ(r.top, p.second.y) << GetDlgCtrlID(p.first);
        // The window system takes a negative size as zero.
        EXPECT_EQ(r.right - r.left, std::max(0, p.second.width)) << GetDlgCtrlID(p.first);
        EXPECT_EQ(r.bottom - r.top, std::max(0, p.second.height)) << GetDlgCtrlID(p.first);
    }
    RECT status;
    GetWindowRect(StatusBar, &status);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ(status.bottom, area.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes,
    LayoutTest,
    testing::Values(SIZE{669, 466}, SIZE{900, 600}, SIZE{400, 280}, SIZE{500, 200}, SIZE{300, 120}));

TEST(FileListColours, ColumnsGetTheirColoursAtEveryStage) {
    struct Case {
        UINT code;
        DWORD stage;
        int column;
        LRESULT result;
        COLORREF text, background;  // CLR_NONE: left as they were
    };
    const COLORREF untouched = RGB(1, 2, 3);
    const Case cases[] = {
        {NM_CUSTOMDRAW, CDDS_PREPAINT, 0, CDRF_NOTIFYITEMDRAW, untouched, untouched},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT, 0, CDRF_NOTIFYSUBITEMDRAW, untouched, untouched},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, CDRF_NEWFONT, RGB(0, 0, 0), RGB(156, 156, 156)},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1, CDRF_NEWFONT, RGB(0, 0, 0), RGB(200, 200, 200)},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 4, CDRF_NEWFONT, RGB(0, 0, 0), RGB(156, 156, 156)},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 5, CDRF_NEWFONT, RGB(0, 0, 0), RGB(200, 200, 200)},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 6, CDRF_DODEFAULT, untouched, untouched},
        {NM_CUSTOMDRAW, CDDS_ITEMPREPAINT | CDDS_SUBITEM, -1, CDRF_DODEFAULT, untouched, untouched},
        {NM_CUSTOMDRAW, CDDS_POSTPAINT, 0, 0, untouched, untouched},
        {static_cast<UINT>(NM_CLICK), CDDS_PREPAINT, 0, 0, untouched, untouched},
    };
    for (const Case& c : cases) {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.hdr.code = c.code;
        draw.nmcd.hdr.idFrom = IDC_FILE_LIST;
        draw.nmcd.dwDrawStage = c.stage;
        draw.iSubItem = c.column;
        draw.clrText = draw.clrTextBk = untouched;
        EXPECT_EQ(FileListCustomDraw(reinterpret_cast<LPARAM>(&draw)), c.result)
            << c.stage << "/" << c.column;
        EXPECT_EQ(draw.clrText, c.text) << c.stage << "/" << c.column;
        EXPECT_EQ(draw.clrTextBk, c.background) << c.stage << "/" << c.column;
    }
}

TEST_F(FileListView, CustomDrawReachesTheListThroughWmNotify) {
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr = {FileList, IDC_FILE_LIST, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.iSubItem = 1;
    EXPECT_EQ(SendMessageA(MainWindow, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&draw)),
              CDRF_NEWFONT);
    EXPECT_EQ(draw.clrTextBk, RGB(200, 200, 200));
    draw.iSubItem = 0;
    draw.clrTextBk = 0;
    EXPECT_EQ(SendMessageA(MainWindow, WM_NOTIFY, IDC_STATUS_BAR, reinterpret_cast<LPARAM>(&draw)), 0);
    EXPECT_EQ(draw.clrTextBk, 0u);  // only the list's notifications are drawn
}

// Shows the About box directly and returns its result, with handle doing the user's part.
INT_PTR RunAboutBox(ModalHandler handle) {
    ExpectModal(std::move(handle));
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), MainWindow,
                           AboutDialogProc, 0);
}

TEST_F(Commands, AboutBoxEndsWithOkOrCloseAndIgnoresEscape) {
    std::string caption, group;
    DWORD style = 0;
    EXPECT_EQ(RunAboutBox([&](HWND box) {
                  caption = TextOf(box);
                  style = static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE));
                  HWND child = FindWindowExA(box, nullptr, "Button", "Quillmark 1.4");
                  group = child ? TextOf(child) : "";
                  PostMessageA(GetDlgItem(box, IDC_ABOUT_OK), BM_CLICK, 0, 0);
              }),
              31);
    EXPECT_EQ(caption, "About");
    EXPECT_EQ(group, "Quillmark 1.4");
    EXPECT_EQ(style & 0x80C800C0u, 0x80C800C0u);
    EXPECT_EQ(RunAboutBox([](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }), 0);
    // Escape arrives as IDCANCEL; had it closed the box, the later OK would find none.
    EXPECT_EQ(RunAboutBox([](HWND box) {
                  PostMessageA(GetDlgItem(box, IDC_ABOUT_OK), WM_KEYDOWN, VK_ESCAPE, 0);
                  PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
                  PostMessageA(box, WM_COMMAND, IDC_ABOUT_OK, 0);
              }),
              31);
}

TEST_F(Commands, AboutCommandShowsTheBox) {
    std::string caption;
    ExpectModal([&](HWND box) {
        caption = TextOf(box);
        PostMessageA(box, WM_CLOSE, 0, 0);
    });
    Command(IDM_ABOUT);
    EXPECT_EQ(caption, "About");
}

TEST_F(Commands, CloseAsksOnlyWhileDirty) {
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(MainWindow));

    for (int answer : {IDNO, IDYES}) {
        StartAgain();
        DirtyFlag = 1;
        BoxSeen box;
        AnswerMessageBox(answer, &box);
        HWND window = MainWindow;
        SendMessageA(window, WM_CLOSE, 0, 0);
        PumpMessages();
        EXPECT_TRUE(box.shown);
        EXPECT_EQ(box.caption, "File not saved");
        EXPECT_EQ(box.text, "Save changes?");
        EXPECT_FALSE(IsWindow(window)) << answer;
    }
}

TEST_F(Commands, ViewCodeStartsNotepadOnThePathUnquoted) {
    Command(IDM_VIEW_CODE);
    EXPECT_TRUE(ShellCalls.empty());
    CurrentDescFile = "C:\\My Photos\\Garden\\file descriptions.desc";
    Command(IDM_VIEW_CODE);
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].owner, MainWindow);
    EXPECT_EQ(ShellCalls[0].verb, "open");
    EXPECT_EQ(ShellCalls[0].file, "notepad.exe");
    EXPECT_EQ(ShellCalls[0].parameters, CurrentDescFile);
    EXPECT_FALSE(ShellCalls[0].hasDirectory);
    EXPECT_EQ(ShellCalls[0].show, SW_SHOWNORMAL);

    // Notepad is optional on current Windows: without it the shell finds no file, and that is said.
    const std::pair<INT_PTR, std::string> failures[] = {
        {ERROR_FILE_NOT_FOUND, SystemErrorText(ERROR_FILE_NOT_FOUND)},
        {SE_ERR_NOASSOC, "No program is set up to open it."},
    };
    for (const auto& failure : failures) {
        ShellCallResult = failure.first;
        BoxSeen box;
        AnswerMessageBox(IDOK, &box);
        Command(IDM_VIEW_CODE);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, "The description file\n" + CurrentDescFile +
                                "\ncould not be opened in Notepad:\n" + failure.second);
    }
}

TEST_F(Commands, TwentyNineOpensTheWebPage) {
    Command(IDM_OPEN_WEB_PAGE);
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].verb, "open");
    EXPECT_EQ(ShellCalls[0].file, "https://quillmark.example.org/");
    EXPECT_FALSE(ShellCalls[0].hasParameters);
}

TEST_F(Commands, SaveBeforeAnyFileDoesNothing) {
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(SavedFlag, 0);
}

TEST_F(Commands, DoubleClickOpensTheSelectedRowOnly) {
    EnableEditing();
    ShowEntries({{"a.txt", ""}, {"pond.jpg", "The pond"}});
    NMHDR click = {FileList, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
    SelectedIndex = 5;
    SendMessageA(MainWindow, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(SelectedIndex, -1);

    SelectRow(1);
    std::string title;
    ExpectModal([&](HWND dialog) {
        title = TextOf(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SendMessageA(MainWindow, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(SelectedIndex, 1);
    EXPECT_EQ(title, "File description - pond.jpg");

    // From any control: the status bar's double-click opens the selected row as well.
    SelectRow(0);
    NMHDR statusClick = {StatusBar, IDC_STATUS_BAR, static_cast<UINT>(NM_DBLCLK)};
    ExpectModal([&](HWND dialog) {
        title = TextOf(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SendMessageA(MainWindow, WM_NOTIFY, IDC_STATUS_BAR, reinterpret_cast<LPARAM>(&statusClick));
    EXPECT_EQ(title, "File description - a.txt");
}

// The text a reader with a buffer of size bytes gets for a cell of the file list.
std::string CellText(int row, int column, int size) {
    std::vector<char> buffer(static_cast<size_t>(size), '#');
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = size;
    SendMessageA(FileList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return item.pszText;
}

// The status bar's text in part.
std::string StatusText(int part) {
    char text[128] = {};
    SendMessageA(StatusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(FileListView, FillFileListShowsTheTablesInOrderWithTheCount) {
    ShowEntries({{".", ""}, {"..", ""}, {"b.txt", "second"}, {"a.txt", "first"}});
    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(ListRows(), (Rows{{".", ""}, {"..", ""}, {"b.txt", "second"}, {"a.txt", "first"}}));
    char text[64] = {};
    SendMessageA(StatusBar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "File count: 4");
    SendMessageA(StatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Loaded");

    // A shorter table leaves no rows of the longer one behind; slots beyond the count are not shown; a
    // longer one shows them all. No row stays selected or focused.
    const std::pair<int, Rows> fills[] = {
        {1, {{".", ""}}}, {1, {{".", ""}}}, {3, {{".", ""}, {"..", ""}, {"b.txt", "second"}}}};
    for (const auto& fill : fills) {
        SelectRow(static_cast<int>(ListRows().size()) - 1);
        FileCount = fill.first;
        FillFileList();
        EXPECT_EQ(ListRows(), fill.second);
        EXPECT_EQ(SendMessageA(FileList, LVM_GETITEMCOUNT, 0, 0), FileCount);
        EXPECT_EQ(SelectedRowOfList(), -1);
        EXPECT_EQ(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), -1);
        EXPECT_EQ(StatusText(1), "File count: " + std::to_string(FileCount));
    }
}

TEST_F(FileListView, CellsGiveTheSlotsTextsUpToTheReadersBuffer) {
    std::string digits;
    for (int i = 0; i < 30; ++i) {
        digits += "0123456789";
    }
    const std::string edge = digits.substr(0, 255);
    ShowEntries({{"a.txt", ""}, {"long.txt", digits}, {"edge.txt", edge}, {"two.txt", "one\r\ntwo"}});
    EXPECT_EQ(SendMessageA(FileList, LVM_GETITEMCOUNT, 0, 0), FileCount);
    struct Case {
        int row, column, size;
        std::string text;
    };
    const Case cases[] = {
        {0, 0, 256, "a.txt"},      {0, 1, 256, ""},
        {1, 1, 4096, digits},      {1, 1, 256, digits.substr(0, 255)},
        {1, 1, 301, digits},       {1, 1, 300, digits.substr(0, 299)},
        {2, 1, 256, edge},         {2, 0, 5, "edge"},
        {3, 1, 256, "one\r\ntwo"}, {3, 0, 256, "two.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CellText(c.row, c.column, c.size), c.text) << c.row << "/" << c.column << "/" << c.size;
    }
    // A Unicode reader gets the same texts.
    wchar_t wide[64] = {};
    LVITEMW item = {};
    item.iSubItem = 1;
    item.pszText = wide;
    item.cchTextMax = 64;
    SendMessageW(FileList, LVM_GETITEMTEXTW, 3, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(wide, L"one\r\ntwo");

    // Until the next fill, rows beyond a shrunken table are empty rather than stale.
    FileCount = 2;
    EXPECT_EQ(CellText(3, 0, 256), "");
    EXPECT_EQ(CellText(1, 0, 256), "long.txt");
}

TEST_F(FileListView, ClosingTheDescriptionDialogRepaintsOnlyItsRow) {
    EnableEditing();
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < 6; ++i) {
        rows.emplace_back("file" + std::to_string(i) + ".txt", i % 2 ? "old " + std::to_string(i) : "");
    }
    ShowEntries(rows);
    const std::string status = StatusText(1);
    struct Case {
        int row;
        bool fromMenu;  // the context menu's command, or else a double-click
        std::string text;
    };
    const Case cases[] = {{1, true, "new text"}, {2, false, ""}, {4, false, "two\r\nlines"}};
    for (const Case& c : cases) {
        SelectRow(c.row);
        UpdateWindow(MainWindow);
        ExpectModal([&](HWND dialog) {
            // Dragged off the list, so that the list's repainting is its own.
            SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            SetWindowTextA(GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT), c.text.c_str());
            UpdateWindow(MainWindow);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        NMHDR click = {FileList, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
        if (c.fromMenu) {
            SendMessageA(FileList, WM_COMMAND, IDM_SET_DESCRIPTION, 0);
        } else {
            SendMessageA(MainWindow, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
        }
        HRGN dirty = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(FileList, dirty, FALSE);
        for (int row = 0; row < 6; ++row) {
            RECT bounds = {LVIR_BOUNDS};
            SendMessageA(FileList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
            EXPECT_EQ(RectInRegion(dirty, &bounds) != FALSE, row == c.row) << c.row << " repaints " << row;
        }
        DeleteObject(dirty);
        PumpMessages();
        rows[c.row].second = c.text;
        EXPECT_EQ(ListRows(), rows) << c.row;
        EXPECT_EQ(SelectedIndex, c.row);
        EXPECT_EQ(SelectedRowOfList(), -1) << c.row;
        EXPECT_EQ(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), -1);
        EXPECT_EQ(StatusText(1), status);
    }
    EXPECT_EQ(DirtyFlag, 1);
}

TEST_F(StartUp, ASecondRegistrationFailsWithItsMessage) {
    // The fixture's window holds the class, so registering it again fails.
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    HWND first = MainWindow;
    EXPECT_FALSE(StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    PumpMessages();
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.caption, "Error!");
    EXPECT_EQ(box.text, "Window Registration Failed!");
    EXPECT_EQ(MainWindow, first);
}

TEST_F(StartUp, TheShowCommandIsPassedOn) {
    DestroyMainWindow();
    ASSERT_TRUE(StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWMINIMIZED));
    PumpMessages();
    EXPECT_TRUE(IsIconic(MainWindow));
    // Minimised, the client area is empty; the layout is still computed from it.
    RECT list;
    GetWindowRect(FileList, &list);
    EXPECT_EQ(list.right - list.left, 0);
}

}  // namespace
