#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "actions/description_dialog.h"
#include "app/main_window.h"
#include "descfile/refresh.h"
#include "resources/resource_ids.h"
#include "store/exact_names.h"

#include "store/tables.h"
#include "tests/gui/gui_harness.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// The description the list shows for name; "(absent)" when no row carries it.
std::string RowDescription(const std::string& name) {
    for (const auto& row : ListRows()) {
        if (row.first == name) {
            return row.second;
        }
    }
    return "(absent)";
}

// The first row whose name starts with start (the whole name, or the start of one that cannot be typed
// here); -1 when none does.
int RowOf(const std::string& start) {
    Rows rows = ListRows();
    for (size_t i = 0; i < rows.size() && !start.empty(); ++i) {
        if (rows[i].first.rfind(start, 0) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The client-area place of a dialog's control.
RECT PlaceOf(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class FileActionsTest : public MainWindowTest {
  protected:
    // A folder with three files and a description file describing two of them, opened.
    void OpenSampleFolder() {
        folder.Write("pond.jpg", "");
        folder.Write("shed plan.txt", "");
        folder.Write("tree.jpg", "");
        folder.Write(
            "file descriptions.desc",
            "<folder_name>x</folder_name><folder_description>Garden</folder_description>"
            "<file><file_name>pond.jpg</file_name><file_description>The pond</file_description></file>"
            "<file><file_name>shed plan.txt</file_name><file_description>Line one\r\r\nLine two"
            "</file_description></file>");
        AnswerFileDialogWith(folder.PathOf("file descriptions.desc"));
        Command(IDM_OPEN_DESCRIPTION_FILE);
        ASSERT_EQ(RowDescription("pond.jpg"), "The pond");
    }
    // Sends a key press to the file list.
    void PressKey(WPARAM key) {
        SendMessageA(FileList, WM_KEYDOWN, key, 1);
        PumpMessages();
    }
    // Sends a context-menu command to the file list, as the tracked popup menu would.
    void ListCommand(UINT id) {
        SendMessageA(FileList, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages();
    }
    // Opens the description dialog on name's row, lets handle act in it, and returns after it closed.
    void WithDescriptionDialog(const std::string& name, ModalHandler handle) {
        SelectRow(RowOf(name));
        ExpectModal(std::move(handle));
        ListCommand(IDM_SET_DESCRIPTION);
    }
    WinFolder folder;
};

TEST_F(FileActionsTest, DialogShowsTheRowsNameAndDescription) {
    OpenSampleFolder();
    std::string title, text;
    DWORD style = 0;
    HWND owner = nullptr;
    WithDescriptionDialog("shed plan.txt", [&](HWND dialog) {
        title = TextOf(dialog);
        text = TextOf(FileDescriptionEdit);
        style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
        owner = GetWindow(dialog, GW_OWNER);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(title, "File description - shed plan.txt");
    EXPECT_EQ(text, "Line one\r\nLine two");
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_EQ(SelectedIndex, RowOf("shed plan.txt"));
    EXPECT_EQ(DirtyFlag, 0);  // closed unchanged
    EXPECT_EQ(RowDescription("shed plan.txt"), "Line one\r\nLine two");

    // A description that another program wrote with a NUL byte shows up to it; closed untouched, it keeps
    // the rest.
    const std::string withNul("before\0after", 12);
    FolderDescriptions[RowOf("tree.jpg")] = withNul;
    WithDescriptionDialog("tree.jpg", [&](HWND dialog) {
        text = TextOf(FileDescriptionEdit);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(text, "before");
    EXPECT_EQ(FolderDescriptions[RowOf("tree.jpg")], withNul);
    EXPECT_EQ(DirtyFlag, 0);
}

TEST_F(FileActionsTest, DialogLayoutFollowsItsSize) {
    OpenSampleFolder();
    std::vector<std::pair<RECT, RECT>> places;  // edit, button
    std::vector<RECT> clients;
    WithDescriptionDialog("pond.jpg", [&](HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT);
        HWND button = GetDlgItem(dialog, IDC_OPEN_FILE);
        auto record = [&]() {
            RECT client;
            GetClientRect(dialog, &client);
            clients.push_back(client);
            places.emplace_back(PlaceOf(dialog, edit), PlaceOf(dialog, button));
        };
        record();
        SetWindowPos(dialog, nullptr, 0, 0, 500, 300, SWP_NOZORDER | SWP_NOMOVE);
        record();
        ShowWindow(dialog, SW_MAXIMIZE);
        record();
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    ASSERT_EQ(places.size(), 3u);
    for (size_t i = 0; i < places.size(); ++i) {
        const RECT& client = clients[i];
        const RECT& edit = places[i].first;
        const RECT& button = places[i].second;
        EXPECT_EQ(edit.left, 0) << i;
        EXPECT_EQ(edit.top, 0) << i;
        EXPECT_EQ(edit.right, client.right) << i;
        EXPECT_EQ(edit.bottom, client.bottom - 30) << i;
        EXPECT_EQ(button.left, 0) << i;
        EXPECT_EQ(button.top, client.bottom - 27) << i;
        EXPECT_EQ(button.right - button.left, 100) << i;
        EXPECT_EQ(button.bottom - button.top, 26) << i;
    }
    EXPECT_GT(clients[2].right, clients[1].right);  // maximised is larger
}

TEST_F(FileActionsTest, ClosingStoresTheTextAndMarksItChanged) {
    OpenSampleFolder();
    WithDescriptionDialog("tree.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "An old oak\r\nplanted 1950");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RowDescription("tree.jpg"), "An old oak\r\nplanted 1950");
    EXPECT_EQ(DirtyFlag, 1);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_NE(
        folder.Read("file descriptions.desc")
            .find(
                "<file_name>tree.jpg</file_name>\r\n<file_description>\r\nAn old oak\r\r\nplanted 1950\r\n"),
        std::string::npos);

    // An emptied text leaves the entry out of the next save.
    WithDescriptionDialog("pond.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RowDescription("pond.jpg"), "");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(folder.Read("file descriptions.desc").find("pond.jpg"), std::string::npos);
}

bool ClosedLater = false;

void CALLBACK CloseLater(HWND dialog, UINT, UINT_PTR, DWORD) {
    ClosedLater = true;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

TEST_F(FileActionsTest, EnterOkAndCancelDoNotCloseTheDialogEscapeInTheTextClosesIt) {
    OpenSampleFolder();
    WithDescriptionDialog("pond.jpg", [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 8, 8);
        // Had any of these ended the dialog, the closing WM_CLOSE would find none and the typed text
        // would never reach the table.
        PostMessageA(edit, WM_CHAR, '\r', 1);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(edit, WM_CHAR, 'X', 1);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RowDescription("pond.jpg"), "The pond\r\nX");

    // A multi-line text box of a dialog passes Esc on as a close, which keeps the text. Should it not,
    // the dialog is closed a moment later and the test fails.
    ClosedLater = false;
    WithDescriptionDialog("pond.jpg", [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, 0);
        PostMessageA(edit, WM_CHAR, 'Y', 1);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
        SetTimer(dialog, 1, 3000, CloseLater);
    });
    EXPECT_FALSE(ClosedLater);
    EXPECT_EQ(RowDescription("pond.jpg"), "YThe pond\r\nX");
}

TEST_F(FileActionsTest, ThreeHundredOpeningsOfTheDialogShareTheWindowsOneIcon) {
    OpenSampleFolder();
    SelectedIndex = RowOf("pond.jpg");
    const LRESULT icon = SendMessageA(MainWindow, WM_GETICON, ICON_SMALL, 0);
    ASSERT_NE(icon, 0);
    // A fresh icon at every opening would be a USER object never given back: 300 of them here.
    std::set<LRESULT> icons;
    for (int opening = 0; opening < 300; ++opening) {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_DESCRIPTION),
                                         MainWindow, FileDescriptionDialogProc, 0);
        icons.insert(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
        DestroyWindow(dialog);
    }
    EXPECT_EQ(icons, std::set<LRESULT>{icon});
}

TEST_F(FileActionsTest, OpenFileUsesTheShellAndKeepsTheDialogOpen) {
    OpenSampleFolder();
    size_t callsWhileOpen = 0;
    bool openAfterClick = false;
    WithDescriptionDialog("shed plan.txt", [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_OPEN_FILE), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, IDC_OPEN_FILE), BM_CLICK, 0, 0);
        callsWhileOpen = ShellItemsOpened.size();
        openAfterClick = IsWindow(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(openAfterClick);
    ASSERT_EQ(callsWhileOpen, 2u);
    EXPECT_EQ(ShellItemsOpened[0], folder.ExactPathOf(L"shed plan.txt"));
}

TEST_F(FileActionsTest, ContextMenuOffersItemCommandsOnlyWithASelectedRow) {
    OpenSampleFolder();
    using Items = std::vector<std::pair<UINT, std::string>>;
    SelectRow(-1);
    SendMessageA(FileList, WM_RBUTTONDOWN, 0, MAKELPARAM(20, 30));
    ASSERT_TRUE(LastPopup.shown);
    EXPECT_EQ(LastPopup.items, (Items{{IDM_REFRESH_FOLDER, "Refresh folder"}, {0, ""}}));
    EXPECT_EQ(LastPopup.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
    EXPECT_EQ(LastPopup.owner, FileList);
    POINT expected = {20, 30};
    ClientToScreen(FileList, &expected);
    EXPECT_EQ(LastPopup.at.x, expected.x);
    EXPECT_EQ(LastPopup.at.y, expected.y);
    EXPECT_EQ(SelectedRowOfList(), -1);  // the right click selected nothing

    SelectRow(2);
    SendMessageA(FileList, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));  // over row 0
    EXPECT_EQ(LastPopup.items, (Items{{IDM_REFRESH_FOLDER, "Refresh folder"},
                                      {0, ""},
                                      {IDM_SET_DESCRIPTION, "Set / view description"},
                                      {IDM_DELETE_FILE, "Delete file"}}));
    EXPECT_EQ(SelectedRowOfList(), 2);
}

TEST_F(FileActionsTest, KeysDoNotMoveTheSelection) {
    OpenSampleFolder();
    SelectRow(1);
    for (WPARAM key : {VK_DOWN, VK_UP, VK_END, VK_HOME, VK_NEXT, VK_PRIOR}) {
        PressKey(key);
        EXPECT_EQ(SelectedRowOfList(), 1) << key;
    }
}

TEST_F(FileActionsTest, TheDeleteKeyAndTheMenuDeleteAfterYesOnly) {
    struct Way {
        const char* what;
        std::function<void()> deletes;
        const char* declined;  // the file kept after No
        const char* deleted;   // the file deleted after Yes; it had a description
    };
    const Way ways[] = {
        {"Delete key", [this] { PressKey(VK_DELETE); }, "tree.jpg", "pond.jpg"},
        {"Delete file", [this] { ListCommand(IDM_DELETE_FILE); }, "tree.jpg", "shed plan.txt"}};
    OpenSampleFolder();
    for (const Way& way : ways) {
        SelectRow(RowOf(way.declined));
        BoxSeen no;
        AnswerMessageBox(IDNO, &no);
        way.deletes();
        EXPECT_EQ(no.text, "Delete file?") << way.what;
        EXPECT_EQ(no.caption, way.declined) << way.what;
        EXPECT_TRUE(folder.Has(way.declined)) << way.what;
        EXPECT_NE(RowOf(way.declined), -1) << way.what;

        SelectRow(RowOf(way.deleted));
        BoxSeen yes;
        AnswerMessageBox(IDYES, &yes);
        way.deletes();
        EXPECT_EQ(yes.caption, way.deleted) << way.what;
        EXPECT_FALSE(folder.Has(way.deleted)) << way.what;
        std::vector<std::string> names;
        for (const auto& row : ListRows()) {
            names.push_back(row.first);
        }
        EXPECT_EQ(names, folder.Listing()) << way.what;
        EXPECT_EQ(folder.Read("file descriptions.desc").find(way.deleted), std::string::npos) << way.what;

        // With no row selected nothing is asked or deleted.
        SelectRow(-1);
        way.deletes();
        EXPECT_TRUE(folder.Has(way.declined)) << way.what;
    }
}

TEST_F(FileActionsTest, TheDescriptionFileInUseCannotBeDeletedInAnySpelling) {
    OpenSampleFolder();
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(folder.ExactPathOf(L"file descriptions.desc").c_str(), shortPath, MAX_PATH);
    const std::wstring shortName = shortPath;
    ASSERT_NE(shortName.find(L'~'), std::wstring::npos);
    // Opened by its name in other letters, by its short name, or with a trailing dot, it is the same file.
    for (std::string inUse :
         {folder.PathOf("File Descriptions.DESC"),
          folder.PathOf(std::string(shortName.begin() + shortName.rfind(L'\\') + 1, shortName.end())),
          folder.PathOf("file descriptions.desc.")}) {
        AnswerFileDialogWith(inUse);
        Command(IDM_OPEN_DESCRIPTION_FILE);
        ASSERT_EQ(CurrentDescFile, inUse);
        SelectRow(RowOf("file descriptions.desc"));
        BoxSeen box;
        AnswerMessageBox(IDOK, &box);
        PressKey(VK_DELETE);
        EXPECT_EQ(box.caption, "Error") << inUse;
        EXPECT_EQ(box.text, "Cannot delete description file while application is running.");
        EXPECT_TRUE(folder.Has("file descriptions.desc"));
    }
    // Letters are folded one by one, as the file system does, not by a language's rules: "strasse" is
    // another file than the description file "stra\xDF" + "e", and may be deleted.
    folder.Write("strasse.desc", "");
    ListCommand(IDM_REFRESH_FOLDER);
    CurrentDescFileName =
        "stra\xDF"
        "e.desc";
    SelectRow(RowOf("strasse.desc"));
    BoxSeen question;
    AnswerMessageBox(IDYES, &question);
    PressKey(VK_DELETE);
    EXPECT_EQ(question.text, "Delete file?");
    EXPECT_FALSE(folder.Has("strasse.desc"));
}

// Each odd name beside the name Windows or the ANSI conversion would turn it into.
const std::pair<std::wstring, std::wstring> OddNames[] = {
    {L"dot.", L"dot"},                           // Windows strips a trailing dot from a path
    {L"trail.txt ", L"trail.txt"},               // and a trailing blank
    {L"\x03A9mega.txt", L"Omega.txt"},           // listed in ANSI with a best-fit letter
    {L"\xFF41.txt", L"a.txt"},                   // full-width a, likewise
    {L"\x65E5\x672C.txt", L"\x4E2D\x56FD.txt"},  // both listed as "??.txt"
};

// The row that shows the entry of exactly that name; -1 when none does.
int RowOfExact(const std::wstring& name) {
    for (int i = 0; i < FileCount && i < static_cast<int>(ListedExactNames.size()); ++i) {
        if (ListedExactNames[static_cast<size_t>(i)] == name) {
            return i;
        }
    }
    return -1;
}

TEST_F(FileActionsTest, DeleteAndOpenReachExactlyTheListedEntry) {
    for (const auto& [odd, lookalike] : OddNames) {
        folder.WriteExact(odd);
        folder.WriteExact(lookalike);
    }
    OpenSampleFolder();
    for (const auto& [odd, lookalike] : OddNames) {
        SCOPED_TRACE(testing::PrintToString(odd));
        int row = RowOfExact(odd);
        ASSERT_NE(row, -1);
        ASSERT_EQ(ListRows()[static_cast<size_t>(row)].first, FolderFiles[static_cast<size_t>(row)]);
        SelectRow(row);
        ExpectModal([](HWND dialog) {
            SendMessageA(GetDlgItem(dialog, IDC_OPEN_FILE), BM_CLICK, 0, 0);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        ListCommand(IDM_SET_DESCRIPTION);
        ASSERT_FALSE(ShellItemsOpened.empty());
        EXPECT_EQ(ShellItemsOpened.back(), folder.ExactPathOf(odd));

        SelectRow(RowOfExact(odd));
        AnswerMessageBox(IDYES, nullptr);
        PressKey(VK_DELETE);
        EXPECT_FALSE(folder.HasExact(odd));
        EXPECT_TRUE(folder.HasExact(lookalike));
        EXPECT_EQ(RowOfExact(odd), -1);
        EXPECT_NE(RowOfExact(lookalike), -1);
    }
}

// What the world has done to the described folder: renamed it away, renamed it away and another folder
// into its place, or left it as it is.
enum World { Away, Swapped, AsItIs };
// What the user does, with a path or the start of a row's name: the commands first, in the order of
// actCommands below, then the Delete key and a move of the current directory as a file dialog makes.
enum Act { Refresh, Save, Open, New, OpenEntry, PressDelete, Elsewhere };

TEST_F(FileActionsTest, AFolderThatCannotBeTrustedChangesNothing) {
    // Two Linux names that are not UTF-8, which Wine lists under one name.
    const std::string here = folder.Path(), away = here + "-away";
    const std::string bad = here + "\\bad\xFF.txt", worse = here + "\\bad\xFE.txt";
    folder.Write("1", "");
    folder.Write("2", "");
    ASSERT_TRUE(RenameBelowWine(folder.PathOf("1"), bad) && RenameBelowWine(folder.PathOf("2"), worse));
    OpenSampleFolder();
    WithDescriptionDialog("tree.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "unsaved oak");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    // Another described folder, with a file of a name listed here, and in it folders whose names Windows
    // takes for others.
    WinFolder other;
    other.Write("tree.jpg", "theirs");
    other.Write("file descriptions.desc", "<folder_name>x</folder_name>");
    for (const wchar_t* name : {L"Garden ", L"Garden", L"Dot.", L"Dot"}) {
        CreateDirectoryW(other.ExactPathOf(name).c_str(), nullptr);
    }
    const std::string gone = "The folder\n" + here + "\ncannot be listed:\n", elsewhere = other.Path(),
                      refused = other.PathOf("tree.jpg"),
                      garden = other.PathOf("Garden \\file descriptions.desc"),
                      swapped = "Another folder has taken its place.",
                      blankOrDot = "\ncannot be used:\nits name ends in a blank or a dot";
    const struct Situation {
        const char* what;
        World world;
        std::vector<std::pair<Act, std::string>> acts;
        std::vector<int> answers;  // to the questions and messages before the refusal
        std::string says;          // a part of the refusal
    } situations[] = {
        {"Refresh", Away, {{Refresh, ""}}, {}, gone},
        {"Delete key, no row selected", Away, {{PressDelete, ""}}, {}, gone},
        {"Delete key on a row", Away, {{PressDelete, "pond.jpg"}}, {IDYES}, gone},
        {"Save", Away, {{Save, ""}}, {}, "The descriptions could not be saved to\n"},
        {"Cancelled Open, Refresh", Away, {{Elsewhere, elsewhere}, {Open, ""}, {Refresh, ""}}, {IDNO}, gone},
        {"Refused file, Delete: No",
         Away,
         {{Open, refused}, {PressDelete, "pond"}},
         {IDNO, IDOK, IDNO},
         gone},
        {"Cancelled New, Save", Away, {{New, ""}, {Save, ""}}, {IDNO}, gone},
        {"Delete key", Swapped, {{PressDelete, "tree.jpg"}}, {IDYES}, swapped},
        {"Open file", Swapped, {{OpenEntry, "tree.jpg"}}, {}, swapped},
        {"Save", Swapped, {{Save, ""}}, {}, swapped},
        {"Open in Garden ", AsItIs, {{Open, garden}}, {IDNO}, "Garden " + blankOrDot},
        {"New in Dot.", AsItIs, {{New, elsewhere + "\\Dot.\\new.desc"}}, {IDNO}, "Dot." + blankOrDot},
        // A folder named outside the code page reaches the program with "?" in its name.
        {"Open in ??",
         AsItIs,
         {{Open, here + "\\??\\file descriptions.desc"}},
         {IDNO},
         "??\ncannot be used:\n"},
        {"New in ??",
         AsItIs,
         {{New, here + "\\??\\file descriptions.desc"}},
         {IDNO},
         "??\ncannot be used:\n"},
        {"Delete key, name listed twice", AsItIs, {{PressDelete, "bad"}}, {IDYES}, "cannot tell which entry"},
        {"Open file, name listed twice", AsItIs, {{OpenEntry, "bad"}}, {}, "cannot be told apart"},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.what + std::string(situation.world == Swapped ? ", swapped" : ""));
        const std::string file = folder.Read("file descriptions.desc");
        const Rows rows = ListRows();
        if (situation.world != AsItIs) {
            ASSERT_TRUE(RenameBelowWine(here, away));
        }
        if (situation.world == Swapped) {
            ASSERT_TRUE(RenameBelowWine(elsewhere, here));
        }
        if (situation.acts[0].first == OpenEntry) {
            ExpectModal([](HWND dialog) {
                SendMessageA(GetDlgItem(dialog, IDC_OPEN_FILE), BM_CLICK, 0, 0);
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            });
        }
        for (int answer : situation.answers) {
            AnswerMessageBox(answer, nullptr);
        }
        BoxSeen box;
        AnswerMessageBox(IDOK, &box);
        const std::pair<HWND, UINT> actCommands[] = {{FileList, IDM_REFRESH_FOLDER},
                                                     {MainWindow, IDM_SAVE_DESCRIPTIONS},
                                                     {MainWindow, IDM_OPEN_DESCRIPTION_FILE},
                                                     {MainWindow, IDM_NEW_DESCRIPTION_FILE},
                                                     {FileList, IDM_SET_DESCRIPTION}};
        for (const auto& [act, text] : situation.acts) {
            AnswerFileDialogWith(text);
            SelectRow(RowOf(text));
            if (act == Elsewhere) {
                SetCurrentDirectoryA(text.c_str());
            } else if (act == PressDelete) {
                PressKey(VK_DELETE);
            } else {
                SendMessageA(actCommands[static_cast<int>(act)].first, WM_COMMAND,
                             actCommands[static_cast<int>(act)].second, 0);
                PumpMessages();
            }
        }
        if (situation.world == Swapped) {
            ASSERT_TRUE(RenameBelowWine(here, elsewhere));
        }
        if (situation.world != AsItIs) {
            ASSERT_TRUE(RenameBelowWine(away, here));
        }
        EXPECT_EQ(box.caption, "Error");
        EXPECT_NE(box.text.find(situation.says), std::string::npos) << box.text;
        EXPECT_EQ(ListRows(), rows);
        EXPECT_EQ(RowDescription("tree.jpg"), "unsaved oak");
        EXPECT_EQ(DirtyFlag, 1);
        EXPECT_EQ(folder.Read("file descriptions.desc"), file);
        EXPECT_EQ(other.Read("tree.jpg"), "theirs");
        EXPECT_EQ(other.Read("file descriptions.desc"), "<folder_name>x</folder_name>");
        EXPECT_FALSE(other.HasExact(L"Dot\\new.desc"));
        EXPECT_TRUE(ShellItemsOpened.empty());
    }
    EXPECT_TRUE(RenameBelowWine(bad, folder.PathOf("1")) && RenameBelowWine(worse, folder.PathOf("2")));
    // Back in place, the next save keeps every description, the unsaved one included.
    Command(IDM_SAVE_DESCRIPTIONS);
    std::string saved = folder.Read("file descriptions.desc");
    for (const char* kept : {"<file_description>\r\nunsaved oak\r\n", "<file_description>\r\nThe pond\r\n",
                             "Line one\r\r\nLine two"}) {
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    }
}

TEST_F(FileActionsTest, DeletingKeepsTheOtherEntriesUnsavedDescriptions) {
    OpenSampleFolder();
    WithDescriptionDialog("tree.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "unsaved oak");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SelectRow(RowOf("pond.jpg"));
    AnswerMessageBox(IDYES, nullptr);
    PressKey(VK_DELETE);
    EXPECT_EQ(RowDescription("tree.jpg"), "unsaved oak");
    EXPECT_EQ(RowDescription("shed plan.txt"), "Line one\r\nLine two");
    EXPECT_NE(folder.Read("file descriptions.desc").find("unsaved oak"), std::string::npos);
}

TEST_F(FileActionsTest, AFailedDeletionKeepsTheDescription) {
    OpenSampleFolder();
    CreateDirectoryA(folder.PathOf("sub").c_str(), nullptr);
    AnswerFileDialogWith(folder.PathOf("file descriptions.desc"));
    Command(IDM_OPEN_DESCRIPTION_FILE);
    // A folder is named as one, and nothing is asked.
    SelectRow(RowOf("sub"));
    BoxSeen why;
    AnswerMessageBox(IDOK, &why);
    ListCommand(IDM_DELETE_FILE);
    EXPECT_EQ(why.text, "\"sub\" is a folder. Only files are deleted here.");
    EXPECT_TRUE(folder.Has("sub"));
    // A file that another program holds open stays, and so does its description.
    HANDLE held = CreateFileA(folder.PathOf("pond.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    SelectRow(RowOf("pond.jpg"));
    AnswerMessageBox(IDYES, nullptr);
    AnswerMessageBox(IDOK, &why);
    ListCommand(IDM_DELETE_FILE);
    CloseHandle(held);
    EXPECT_TRUE(folder.Has("pond.jpg"));
    EXPECT_EQ(RowDescription("pond.jpg"), "The pond");
    const std::string cannot = "\"pond.jpg\" could not be deleted from\n" + folder.Path() + "\n";
    EXPECT_EQ(why.text.rfind(cannot, 0), 0u) << why.text;
    EXPECT_GT(why.text.size(), cannot.size());  // with the reason

    // An entry that another program removed is not opened, and a deletion takes it from the list;
    // nothing else is deleted.
    folder.Remove("tree.jpg");
    SelectRow(RowOf("tree.jpg"));
    std::string gone;
    HWND descriptionDialog = nullptr;
    ExpectModal([&](HWND dialog) {
        descriptionDialog = dialog;
        PostMessageA(dialog, WM_COMMAND, IDC_OPEN_FILE, 0);
    });
    ExpectModal([&](HWND box) {
        gone = TextOf(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        PostMessageA(descriptionDialog, WM_CLOSE, 0, 0);
    });
    ListCommand(IDM_SET_DESCRIPTION);
    EXPECT_EQ(gone, "\"tree.jpg\" is no longer in the folder.");
    EXPECT_TRUE(ShellItemsOpened.empty());
    SelectRow(RowOf("tree.jpg"));  // closing the dialog cleared the selection
    AnswerMessageBox(IDYES, nullptr);
    AnswerMessageBox(IDOK, &why);
    ListCommand(IDM_DELETE_FILE);
    EXPECT_EQ(why.text, "\"tree.jpg\" is no longer in the folder.");
    EXPECT_EQ(RowOf("tree.jpg"), -1);
    EXPECT_TRUE(folder.Has("pond.jpg"));
    EXPECT_TRUE(folder.Has("shed plan.txt"));
}

TEST_F(FileActionsTest, DeleteKeyRescanKeepsDescriptionsWithTheirNames) {
    OpenSampleFolder();
    // Another program changes the folder behind the list's back.
    folder.Remove("pond.jpg");
    folder.Write("added.txt", "");
    SelectRow(-1);
    PressKey(VK_DELETE);
    EXPECT_EQ(RowOf("pond.jpg"), -1);
    EXPECT_EQ(RowDescription("added.txt"), "");
    EXPECT_EQ(RowDescription("shed plan.txt"), "Line one\r\nLine two");
    for (int i = 0; i < FileCount; ++i) {
        EXPECT_EQ(ListRows()[i].first, FolderFiles[i]);
        if (FolderFiles[i] != "shed plan.txt") {
            EXPECT_EQ(FolderDescriptions[i], "") << FolderFiles[i];
        }
    }
}

TEST_F(FileActionsTest, RefreshFolderSavesFirstAndPicksUpTheFolder) {
    OpenSampleFolder();
    WithDescriptionDialog("tree.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "edited");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    folder.Remove("pond.jpg");
    folder.Write("new.txt", "");
    ListCommand(IDM_REFRESH_FOLDER);
    EXPECT_EQ(RowDescription("tree.jpg"), "edited");
    EXPECT_EQ(RowDescription("new.txt"), "");
    EXPECT_EQ(RowOf("pond.jpg"), -1);
    EXPECT_NE(folder.Read("file descriptions.desc").find("edited"), std::string::npos);
    // Twice in a row gives the same.
    Rows rows = ListRows();
    ListCommand(IDM_REFRESH_FOLDER);
    EXPECT_EQ(ListRows(), rows);
}

TEST_F(FileActionsTest, RefreshWithoutAReadableFileKeepsTheDescriptions) {
    ListCommand(IDM_REFRESH_FOLDER);  // nothing opened yet
    EXPECT_EQ(ListRows().size(), 0u);
    EXPECT_EQ(TextOf(FolderDescriptionEdit), "");

    OpenSampleFolder();
    // The rows follow the folder, with the descriptions in memory.
    Rows rows = ListRows();
    rows.erase(rows.begin() + RowOf("file descriptions.desc"));
    folder.Remove("file descriptions.desc");
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    RefreshFolder();
    EXPECT_EQ(box.text.rfind("The description file\n" + CurrentDescFile + "\ncannot be read:\n", 0), 0u)
        << box.text;
    EXPECT_EQ(TextOf(FolderDescriptionEdit), "Garden");
    EXPECT_EQ(TextOf(WorkingDirEdit), folder.Path());
    EXPECT_EQ(ListRows(), rows);
    EXPECT_EQ(FileCount, static_cast<int>(rows.size()));
}

TEST_F(FileActionsTest, WhenTheSaveBeforeAReloadFailsTheEditsStay) {
    OpenSampleFolder();
    WithDescriptionDialog("tree.jpg", [](HWND dialog) {
        SetWindowTextA(FileDescriptionEdit, "not saved yet");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_READONLY);
    folder.Write("new.txt", "");
    BoxSeen refreshError;
    AnswerMessageBox(IDOK, &refreshError);
    ListCommand(IDM_REFRESH_FOLDER);
    EXPECT_EQ(refreshError.caption, "Error");
    EXPECT_EQ(RowDescription("tree.jpg"), "not saved yet");
    EXPECT_EQ(RowDescription("new.txt"), "");  // the folder was still read again

    SelectRow(RowOf("pond.jpg"));
    BoxSeen deleteError;
    AnswerMessageBox(IDYES, nullptr);
    AnswerMessageBox(IDOK, &deleteError);
    PressKey(VK_DELETE);
    EXPECT_EQ(deleteError.caption, "Error");
    EXPECT_FALSE(folder.Has("pond.jpg"));
    EXPECT_EQ(RowOf("pond.jpg"), -1);
    EXPECT_EQ(RowDescription("tree.jpg"), "not saved yet");
    EXPECT_EQ(DirtyFlag, 1);
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
