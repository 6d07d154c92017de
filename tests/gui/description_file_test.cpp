#include <windows.h>

#include <cderr.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "actions/description_dialog.h"
#include "app/main_window.h"
#include "descfile/file_io.h"
#include "descfile/replace_seams_win.h"
#include "resources/resource_ids.h"
#include "store/described_folder.h"
#include "store/folder_enum.h"
#include "store/tables.h"
#include "tests/gui/gui_harness.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// The description file of a folder with only a folder description.
std::string FolderOnlyFile(const std::string& folder, const std::string& description) {
    return "<?xml version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>" + folder +
           "</folder_name>\r\n\r\n<folder_description>\r\n" + description +
           "\r\n</folder_description>\r\n\r\n</file_description_data>";
}

// The rows a folder's listing gives with these descriptions by name.
Rows RowsOf(const std::vector<std::string>& listing,
            const std::vector<std::pair<std::string, std::string>>& described) {
    Rows rows;
    for (const std::string& name : listing) {
        std::string description;
        for (const auto& d : described) {
            if (d.first == name) {
                description = d.second;
            }
        }
        rows.emplace_back(name, description);
    }
    return rows;
}

// Types text at the end of the folder description box as the keyboard would.
void TypeIntoFolderDescription(const std::string& text) {
    SetFocus(FolderDescriptionEdit);
    int end = GetWindowTextLengthA(FolderDescriptionEdit);
    SendMessageA(FolderDescriptionEdit, EM_SETSEL, end, end);
    for (char c : text) {
        SendMessageA(FolderDescriptionEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

class DescriptionFileTest : public MainWindowTest {
  protected:
    // Opens a description file through the faked Open dialog.
    void OpenThroughSeam(const std::string& path) {
        AnswerFileDialogWith(path);
        Command(IDM_OPEN_DESCRIPTION_FILE);
    }
    // Creates a description file through the faked Save dialog.
    void NewThroughSeam(const std::string& path) {
        AnswerFileDialogWith(path);
        Command(IDM_NEW_DESCRIPTION_FILE);
    }
    // Opens the worked example's folder, made in folder.
    void OpenWorkedExample(const WinFolder& folder) {
        for (const char* name : {"pond.jpg", "shed plan.txt", "tree.jpg"}) {
            folder.Write(name, "");
        }
        folder.Write("file descriptions.desc", WorkedExampleBytes("C:\\Photos\\Garden"));
        OpenThroughSeam(folder.PathOf("file descriptions.desc"));
    }
};

TEST_F(DescriptionFileTest, NewThroughTheRealDialogWritesTheEmptyLayout) {
    WinFolder folder;
    folder.Write("a.txt", "");
    folder.Write("b.txt", "");
    RealFileDialogs();
    TypeIntoFileDialog(folder.PathOf("file descriptions.desc"));
    Command(IDM_NEW_DESCRIPTION_FILE);

    std::string path = folder.PathOf("file descriptions.desc");
    EXPECT_EQ(folder.Read("file descriptions.desc"), FolderOnlyFile(folder.Path(), "A folder"));
    EXPECT_EQ(SeeState().currentFolder, folder.Path());
    EXPECT_EQ(CurrentDescFile, path);
    EXPECT_EQ(CurrentDescFileName, "file descriptions.desc");
    EXPECT_EQ(TextOf(MainWindow), "Quillmark - " + path);
    EXPECT_EQ(TextOf(WorkingDirEdit), folder.Path());
    EXPECT_EQ(TextOf(FolderDescriptionEdit), "A folder");
    EXPECT_EQ(ListRows(), RowsOf(folder.Listing(), {}));
    EXPECT_EQ(ListRows().size(), 5u);  // ".", "..", both files and the new description file
    EXPECT_FALSE(MenuState(IDM_SAVE_DESCRIPTIONS) & MF_GRAYED);
    EXPECT_FALSE(MenuState(IDM_VIEW_CODE) & MF_GRAYED);
    EXPECT_TRUE(IsWindowEnabled(FileList));
    EXPECT_EQ(DirtyFlag, 0);
    EXPECT_EQ(SavedFlag, 1);
}

TEST_F(DescriptionFileTest, NewAddsTheDefaultExtensionToATypedName) {
    WinFolder folder;
    RealFileDialogs();
    TypeIntoFileDialog(folder.PathOf("notes"));
    Command(IDM_NEW_DESCRIPTION_FILE);
    EXPECT_TRUE(folder.Has("notes.desc"));
    EXPECT_EQ(CurrentDescFileName, "notes.desc");
}

TEST_F(DescriptionFileTest, OpenThroughTheRealDialogGivesTheWorkedExample) {
    WinFolder folder;
    for (const char* name : {"pond.jpg", "shed plan.txt", "tree.jpg"}) {
        folder.Write(name, "");
    }
    folder.Write("file descriptions.desc", WorkedExampleBytes("C:\\Photos\\Garden"));
    RealFileDialogs();
    TypeIntoFileDialog(folder.PathOf("file descriptions.desc"));
    Command(IDM_OPEN_DESCRIPTION_FILE);

    EXPECT_EQ(ListRows(),
              RowsOf(folder.Listing(), {{"pond.jpg", "The pond after cleaning."},
                                        {"shed plan.txt", "Measurements for the shed.\r\nSecond version."}}));
    EXPECT_EQ(FolderDescription, "\nPictures of the back garden.\n");
    EXPECT_EQ(TextOf(FolderDescriptionEdit), FolderDescription);
    EXPECT_EQ(TextOf(WorkingDirEdit), folder.Path());
    EXPECT_EQ(TextOf(MainWindow), "Quillmark - " + folder.PathOf("file descriptions.desc"));
    EXPECT_EQ(SeeState().currentFolder, folder.Path());
    EXPECT_EQ(BlockCount, 2);
    EXPECT_EQ(EditingEnabled, 1);
    EXPECT_FALSE(MenuState(IDM_SAVE_DESCRIPTIONS) & MF_GRAYED);
    EXPECT_EQ(DirtyFlag, 0);
}

TEST_F(DescriptionFileTest, FileDialogsAreSetUpAsTheProgramAsksForThem) {
    WinFolder folder;
    SetCurrentDirectoryA(folder.Path().c_str());
    const std::string filter("Description XML .desc files\0*.desc\0\0", 36);
    Command(IDM_NEW_DESCRIPTION_FILE);  // cancelled
    ASSERT_TRUE(LastFileDialog.shown);
    EXPECT_EQ(LastFileDialog.structSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(LastFileDialog.flags, 0x80806u);
    EXPECT_EQ(LastFileDialog.maxFile, 260u);
    EXPECT_EQ(LastFileDialog.owner, MainWindow);
    EXPECT_EQ(LastFileDialog.filter, filter);
    EXPECT_EQ(LastFileDialog.defaultExtension, "desc");
    EXPECT_EQ(LastFileDialog.initialFile, "file descriptions.desc");

    LastFileDialog = FileDialogSeen();
    Command(IDM_OPEN_DESCRIPTION_FILE);  // cancelled
    ASSERT_TRUE(LastFileDialog.shown);
    EXPECT_EQ(LastFileDialog.flags, 0x80806u);  // no OFN_FILEMUSTEXIST
    EXPECT_EQ(LastFileDialog.filter, filter);
    EXPECT_EQ(LastFileDialog.defaultExtension, "*.desc");
    EXPECT_EQ(LastFileDialog.initialFile, "");
}

TEST_F(DescriptionFileTest, CancelledDialogsChangeNothing) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const VisibleState before = SeeState();
    for (UINT command : {IDM_NEW_DESCRIPTION_FILE, IDM_OPEN_DESCRIPTION_FILE}) {
        Command(command);
        EXPECT_EQ(SeeState(), before);
    }
}

TEST_F(DescriptionFileTest, OpenOfAChangedFolderDropsGoneFilesAndAddsNewOnes) {
    WinFolder folder;
    folder.Write("kept.txt", "");
    folder.Write("new.txt", "");
    folder.Write("list.desc",
                 "<folder_name>C:\\x</folder_name><file><file_name>gone.txt</file_name><file_description>lost"
                 "</file_description></file><file><file_name>kept.txt</file_name><file_description>stays"
                 "</file_description></file>");
    OpenThroughSeam(folder.PathOf("list.desc"));
    EXPECT_EQ(ListRows(), RowsOf(folder.Listing(), {{"kept.txt", "stays"}}));
    Command(IDM_SAVE_DESCRIPTIONS);
    std::string saved = folder.Read("list.desc");
    EXPECT_EQ(saved.find("gone.txt"), std::string::npos);
    EXPECT_NE(saved.find("<file_name>kept.txt</file_name>"), std::string::npos);
    EXPECT_NE(saved.find("<folder_name>" + folder.Path() + "</folder_name>"), std::string::npos);
}

TEST_F(DescriptionFileTest, ARefusedFileChangesNothingAndIsNeverWritten) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const VisibleState before = SeeState();
    WinFolder other;
    other.Write("notes.txt", "just some notes, <file> and all");
    other.Write("empty.desc", "");
    const std::string unreadable = "cannot be read:\n";
    const std::pair<std::string, std::string> refused[] = {
        {other.PathOf("notes.txt"), "Not a valid description file"},
        {other.PathOf("empty.desc"), "Not a valid description file"},
        {other.PathOf("missing.desc"),
         "The description file\n" + other.PathOf("missing.desc") + "\n" + unreadable},
        {other.Path(), "The description file\n" + other.Path() + "\n" + unreadable}};
    for (const auto& [path, message] : refused) {
        BoxSeen box;
        AnswerMessageBox(IDOK, &box);
        OpenThroughSeam(path);
        EXPECT_TRUE(box.shown) << path;
        EXPECT_EQ(box.caption, "Error");
        // A file that cannot be read at all is said so, with the system's reason after the path.
        EXPECT_EQ(box.text.substr(0, message.size()), message) << path;
        EXPECT_EQ(SeeState(), before);
    }
    // The next save writes the file in use, with its descriptions, and leaves the refused ones alone.
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(other.Read("notes.txt"), "just some notes, <file> and all");
    EXPECT_EQ(other.Read("empty.desc"), "");
    EXPECT_FALSE(other.Has("missing.desc"));
    EXPECT_EQ(folder.Read("file descriptions.desc"), WorkedExampleBytes(folder.Path()));
}

TEST_F(DescriptionFileTest, AFailedSaveIsReportedAndKeepsTheDirtyFlag) {
    WinFolder folder;
    OpenWorkedExample(folder);
    std::string before = folder.Read("file descriptions.desc");
    const std::vector<std::string> listing = folder.Listing();
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_READONLY);
    TypeIntoFolderDescription("more");
    ASSERT_EQ(DirtyFlag, 1);
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "The descriptions could not be saved to\n" + CurrentDescFile +
                            "\n\nThe file is read-only.\n\nThe file keeps its previous content.");
    EXPECT_EQ(DirtyFlag, 1);
    EXPECT_EQ(folder.Read("file descriptions.desc"), before);
    EXPECT_EQ(folder.Listing(), listing);

    // Closing still asks; when that save fails too, the window stays open with the work in it.
    BoxSeen question, error;
    AnswerMessageBox(IDYES, &question);
    AnswerMessageBox(IDOK, &error);
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(question.text, "Save changes?");
    EXPECT_EQ(error.caption, "Error");
    EXPECT_TRUE(IsWindow(MainWindow));
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DescriptionFileTest, AHiddenDescriptionFileIsSavedAndStaysHidden) {
    WinFolder folder;
    OpenWorkedExample(folder);
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_HIDDEN);
    TypeIntoFolderDescription("!");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(DirtyFlag, 0);
    EXPECT_NE(folder.Read("file descriptions.desc").find("garden.\r\n!\r\n</folder_description>"),
              std::string::npos);
    EXPECT_TRUE(GetFileAttributesA(CurrentDescFile.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(DescriptionFileTest, OnlyTypingMarksTheFolderDescriptionChanged) {
    WinFolder folder;
    OpenWorkedExample(folder);
    EXPECT_EQ(DirtyFlag, 0);  // the program's own text in the box
    TypeIntoFolderDescription("x");
    EXPECT_EQ(DirtyFlag, 1);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(DirtyFlag, 0);
    NewThroughSeam(folder.PathOf("second.desc"));
    EXPECT_EQ(DirtyFlag, 0);
    EXPECT_EQ(TextOf(FolderDescriptionEdit), "A folder");
}

TEST_F(DescriptionFileTest, TheBoxTextIsSavedAndAnEmptyBoxKeepsTheOldOne) {
    WinFolder folder;
    OpenWorkedExample(folder);
    SetWindowTextA(FolderDescriptionEdit, "New words\r\nsecond line");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_NE(folder.Read("file descriptions.desc")
                  .find("<folder_description>\r\nNew words\r\r\nsecond line\r\n</folder_description>"),
              std::string::npos);
    SetWindowTextA(FolderDescriptionEdit, "");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_NE(folder.Read("file descriptions.desc").find("New words"), std::string::npos);
}

TEST_F(DescriptionFileTest, OpenAndNewAskToSaveWheneverThereAreChanges) {
    WinFolder folder;
    OpenWorkedExample(folder);
    Command(IDM_SAVE_DESCRIPTIONS);
    ASSERT_EQ(SavedFlag, 1);
    for (UINT command : {IDM_OPEN_DESCRIPTION_FILE, IDM_NEW_DESCRIPTION_FILE}) {
        const std::string before = folder.Read("file descriptions.desc");
        std::string typed;
        for (int answer : {IDNO, IDYES}) {
            typed += answer == IDYES ? "Y" : "N";
            TypeIntoFolderDescription(answer == IDYES ? "Y" : "N");
            BoxSeen box;
            AnswerMessageBox(answer, &box);
            Command(command);  // the dialog is then cancelled
            EXPECT_EQ(box.caption, "File not saved") << command;
            EXPECT_EQ(box.text, "Save changes?") << command;
            // No leaves the file as it was; Yes saves both typed letters before the dialog opens.
            std::string saved = folder.Read("file descriptions.desc");
            EXPECT_EQ(saved == before, answer == IDNO) << command;
            EXPECT_EQ(saved.find(typed + "\r\n</folder_description>") != std::string::npos, answer == IDYES)
                << command;
        }
        EXPECT_EQ(DirtyFlag, 0);
        Command(command);  // nothing to ask

        // Yes with a save that fails stops before the dialog: the edits stay and nothing is replaced.
        TypeIntoFolderDescription("F");
        SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_READONLY);
        AnswerMessageBox(IDYES, nullptr);
        BoxSeen error;
        AnswerMessageBox(IDOK, &error);
        AnswerFileDialogWith(folder.PathOf("other.desc"));
        LastFileDialog = FileDialogSeen();
        Command(command);
        SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(error.caption, "Error") << command;
        EXPECT_FALSE(LastFileDialog.shown) << command;
        EXPECT_EQ(CurrentDescFile, folder.PathOf("file descriptions.desc"));
        EXPECT_EQ(DirtyFlag, 1);
        AnswerFileDialogWith("");
        Command(IDM_SAVE_DESCRIPTIONS);
    }
}

TEST_F(DescriptionFileTest, OddNamesAndACtrlZSurviveASaveAndAnOpen) {
    WinFolder folder;
    const std::pair<std::string, std::string> described[] = {
        {" lead.txt", "leading blank"},
        {"trail.txt ", "trailing blank"},
        {"trail.txt", "no blank"},
        {"log.txt", "pasted \x1A from a terminal"},
        {"zz after.txt", "after the Ctrl+Z"},
    };
    for (const auto& entry : described) {
        folder.WriteExact(std::wstring(entry.first.begin(), entry.first.end()));
    }
    NewThroughSeam(folder.PathOf("file descriptions.desc"));
    for (int i = 0; i < FileCount; ++i) {
        for (const auto& entry : described) {
            if (FolderFiles[i] == entry.first) {
                FolderDescriptions[i] = entry.second;
            }
        }
    }
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(folder.Read("file descriptions.desc").find('\x1A'), std::string::npos);
    StartAgain();
    OpenThroughSeam(folder.PathOf("file descriptions.desc"));
    std::vector<std::pair<std::string, std::string>> expected(std::begin(described), std::end(described));
    expected[3].second = "pasted   from a terminal";
    EXPECT_EQ(ListRows(), RowsOf(folder.Listing(), expected));
}

TEST_F(DescriptionFileTest, ASaveNeverTouchesWhatWasInTheFolder) {
    WinFolder folder;
    // What an earlier program or save may have left: entries of the names a temporary file could take.
    folder.Write("file descriptions.desc.saving~", "a leftover");
    SetFileAttributesA(folder.PathOf("file descriptions.desc.saving~").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA(folder.PathOf("file descriptions.desc.tmp").c_str(), nullptr);
    folder.Write("~qm00000000.tmp", "another leftover");
    // A description file whose path is as long as the dialogs accept (259 characters).
    std::string longName(259 - folder.Path().size() - 1 - 5, 'n');
    longName += ".desc";
    for (const std::string& name : {std::string("file descriptions.desc"), longName}) {
        SCOPED_TRACE(name);
        NewThroughSeam(folder.PathOf(name));
        ASSERT_EQ(CurrentDescFile.size(), name == longName ? 259u : CurrentDescFile.size());
        const std::vector<std::string> listing = folder.Listing();
        TypeIntoFolderDescription(" and more");
        Command(IDM_SAVE_DESCRIPTIONS);
        EXPECT_EQ(DirtyFlag, 0);
        EXPECT_EQ(folder.Read(name), FolderOnlyFile(folder.Path(), "A folder and more"));
        EXPECT_EQ(folder.Listing(), listing);
        EXPECT_EQ(folder.Read("file descriptions.desc.saving~"), "a leftover");
        EXPECT_EQ(folder.Read("~qm00000000.tmp"), "another leftover");
    }
    // A description file that is a link to a file of another folder gives way to the saved file; the file
    // it led to stays as it was.
    WinFolder other;
    other.Write("theirs.desc", "<folder_name>x</folder_name>");
    folder.Remove("file descriptions.desc");
    ASSERT_TRUE(LinkBelowWine(other.PathOf("theirs.desc"), folder.PathOf("file descriptions.desc")));
    OpenThroughSeam(folder.PathOf("file descriptions.desc"));
    TypeIntoFolderDescription("linked");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(other.Read("theirs.desc"), "<folder_name>x</folder_name>");
    EXPECT_NE(folder.Read("file descriptions.desc").find("linked"), std::string::npos);
}

TEST_F(DescriptionFileTest, AFileTooLargeForMemoryIsRefused) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const VisibleState before = SeeState();
    // A sparse file: 3 GB long, taking no room on the disk, refused by its size before it is read.
    HANDLE file = CreateFileA(folder.PathOf("huge.desc").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 3LL << 30;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    OpenThroughSeam(folder.PathOf("huge.desc"));
    EXPECT_EQ(box.text, "The description file\n" + folder.PathOf("huge.desc") +
                            "\ncannot be read:\nIt is larger than 256 MB, the most the program reads.");
    EXPECT_EQ(SeeState(), before);
}

// Holds the writers' lock of the description file in use, as another writer would, for longer than a
// save waits; sets the event taken once it holds it.
DWORD WINAPI HoldWritersLock(void* taken) {
    WriterLock lock;
    std::string reason;
    lock.Take(DescribedFolder, CurrentDescFileName, reason);
    SetEvent(taken);
    Sleep((WriterLockSeconds + 1) * 1000);
    return 0;
}

TEST_F(DescriptionFileTest, AnotherProgramsChangesAreNeverSilentlyOverwritten) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const std::string path = folder.PathOf("file descriptions.desc");

    // A second window saves a description; this one, with no unsaved change, refreshes without writing.
    ASSERT_EQ(RunSecondInstance(path, "tree.jpg", "from the other window"), 0);
    const std::string theirs = folder.Read("file descriptions.desc");
    SendMessageA(FileList, WM_COMMAND, IDM_REFRESH_FOLDER, 0);
    EXPECT_EQ(folder.Read("file descriptions.desc"), theirs);
    EXPECT_EQ(RowsOf(folder.Listing(), {{"pond.jpg", "The pond after cleaning."},
                                        {"shed plan.txt", "Measurements for the shed.\r\nSecond version."},
                                        {"tree.jpg", "from the other window"}}),
              ListRows());

    // Having read it, this window saves without asking.
    TypeIntoFolderDescription("!");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_NE(folder.Read("file descriptions.desc").find("from the other window"), std::string::npos);

    // Changed again behind this window's back: the save asks first, No writes nothing, Yes replaces it.
    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"a second instance saves",
         [&] { ASSERT_EQ(RunSecondInstance(path, "pond.jpg", "theirs again"), 0); }},
        {"bytes of the same size and another time",
         [&] {
             std::string bytes = folder.Read("file descriptions.desc");
             bytes[bytes.find("Garden") + 1] = 'A';
             folder.Write("file descriptions.desc", bytes);
         }},
        // as a copy or sync tool does, or within the time step of a FAT disk
        {"bytes of the same size with the time put back",
         [&] {
             WIN32_FILE_ATTRIBUTE_DATA before;
             GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before);
             std::string bytes = folder.Read("file descriptions.desc");
             bytes[bytes.find("Garden") + 1] = 'E';
             folder.Write("file descriptions.desc", bytes);
             HANDLE file =
                 CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
             CloseHandle(file);
         }},
    };
    for (const Change& change : changes) {
        change.make();
        const std::string changed = folder.Read("file descriptions.desc");
        TypeIntoFolderDescription("?");
        for (int answer : {IDNO, IDYES}) {
            BoxSeen box;
            AnswerMessageBox(answer, &box);
            Command(IDM_SAVE_DESCRIPTIONS);
            EXPECT_EQ(box.caption, "File changed") << change.what;
            EXPECT_EQ(
                box.text,
                "The description file was changed by another program since it was opened. Replace it with "
                "the descriptions shown here?");
            EXPECT_EQ(folder.Read("file descriptions.desc") == changed, answer == IDNO) << change.what;
            EXPECT_EQ(DirtyFlag, answer == IDNO ? 1 : 0) << change.what;
        }
    }
    // Another writer (qmdesc) holding the writers' lock for longer than a save waits: nothing is written.
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE holder = CreateThread(nullptr, 0, HoldWritersLock, taken, 0, nullptr);
    WaitForSingleObject(taken, INFINITE);
    const std::string before = folder.Read("file descriptions.desc");
    TypeIntoFolderDescription("+");
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(box.text,
              "The descriptions could not be saved to\n" + path +
                  "\n\nAnother program kept writing it for 10 seconds.\n\nThe file keeps its previous "
                  "content.");
    EXPECT_EQ(folder.Read("file descriptions.desc"), before);
    EXPECT_EQ(DirtyFlag, 1);
    WaitForSingleObject(holder, INFINITE);
    CloseHandle(holder);
    CloseHandle(taken);
    // A file that has gone is written again without the question.
    folder.Remove("file descriptions.desc");
    TypeIntoFolderDescription(".");
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_TRUE(folder.Has("file descriptions.desc"));
    EXPECT_EQ(DirtyFlag, 0);
}

TEST_F(DescriptionFileTest, ALongPasteIsKeptWholeAndWhatDoesNotFitIsSaid) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const std::string pasted = "Long notes " + std::string(100000, 'x');
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
    memcpy(GlobalLock(memory), pasted.c_str(), pasted.size() + 1);
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && SetClipboardData(CF_TEXT, memory));
    CloseClipboard();
    auto paste = [](HWND box) {
        SendMessageA(box, EM_SETSEL, 0, -1);
        SendMessageA(box, WM_PASTE, 0, 0);
    };
    paste(FolderDescriptionEdit);
    SelectRow(0);
    ExpectModal([&](HWND dialog) {
        paste(GetDlgItem(dialog, IDC_FILE_DESCRIPTION_EDIT));
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SendMessageA(FileList, WM_COMMAND, IDM_SET_DESCRIPTION, 0);
    Command(IDM_SAVE_DESCRIPTIONS);
    std::string saved = folder.Read("file descriptions.desc");
    EXPECT_NE(saved.find("<folder_description>\r\n" + pasted + "\r\n"), std::string::npos);
    EXPECT_NE(saved.find("<file_description>\r\n" + pasted + "\r\n"), std::string::npos);
    // A box that still cannot take a paste says so.
    SendMessageA(FolderDescriptionEdit, EM_SETLIMITTEXT, 10, 0);
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    paste(FolderDescriptionEdit);
    EXPECT_EQ(box.text.rfind("The text is too long for this box", 0), 0u) << box.text;
}

TEST_F(DescriptionFileTest, AFileCutOffInsideABlockIsSaidToBe) {
    WinFolder folder;
    std::string bytes = WorkedExampleBytes("C:\\Photos\\Garden");
    folder.Write("shed plan.txt", "");
    folder.Write("cut.desc", bytes.substr(0, bytes.find("Second version.")));
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    OpenThroughSeam(folder.PathOf("cut.desc"));
    EXPECT_EQ(box.text, "The description file\n" + folder.PathOf("cut.desc") +
                            "\nends inside the description of \"shed plan.txt\" and may have been cut off. "
                            "That description is not shown, and the next save leaves it out.");
    EXPECT_EQ(ListRows(), RowsOf(folder.Listing(), {}));
}

TEST_F(DescriptionFileTest, TheEndOfTheSessionAsksAsClosingDoes) {
    WinFolder folder;
    SmallDisk disk(folder, "disk", 64);
    if (!disk.mounted) {
        GTEST_SKIP() << "no tmpfs can be mounted here: it takes the super-user";
    }
    folder.Write("disk\\pond.jpg", "");
    const std::string file = "disk\\file descriptions.desc";
    enum Typed { Nothing, InTheBox, InTheDialog, InTheBoxAndChangedElsewhere, InTheBoxOnAFullDisk };
    const struct {
        Typed typed;
        UINT how;
        int answer;  // to "Save changes?"; 0 when none may be asked
        LRESULT result;
        bool saved;
    } cases[] = {
        {Nothing, ENDSESSION_LOGOFF, 0, TRUE, false},
        {InTheBox, ENDSESSION_LOGOFF, IDNO, TRUE, false},
        {InTheBox, 0, IDYES, TRUE, true},
        {InTheDialog, 0, IDYES, TRUE, true},
        {InTheBox, ENDSESSION_CRITICAL, 0, TRUE, true},
        {InTheBoxAndChangedElsewhere, ENDSESSION_CRITICAL, 0, TRUE, false},
        {InTheBoxOnAFullDisk, 0, IDYES, FALSE, false},  // last: the disk stays full
    };
    for (const auto& c : cases) {
        const std::string typed = "typed " + std::to_string(&c - cases);
        SCOPED_TRACE(typed);
        DirtyFlag = 0;
        folder.Write(file, FolderOnlyFile(disk.path, "Garden"));
        OpenThroughSeam(folder.PathOf(file));
        LRESULT result = -1;
        auto endSession = [&]() {
            result = SendMessageA(MainWindow, WM_QUERYENDSESSION, 0, static_cast<LPARAM>(c.how));
        };
        // The dialog comes first, the question while it is open.
        if (c.typed == InTheDialog) {
            ExpectModal([&](HWND dialog) {
                SetWindowTextA(FileDescriptionEdit, typed.c_str());
                endSession();
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            });
        }
        BoxSeen question, error;
        if (c.answer != 0) {
            AnswerMessageBox(c.answer, &question);
        }
        if (c.typed == InTheBoxOnAFullDisk) {
            AnswerMessageBox(IDOK, &error);
            disk.Fill();
        }
        if (c.typed == InTheBoxAndChangedElsewhere) {
            folder.Write(file, FolderOnlyFile(disk.path, "Another's words"));
        }
        ShutdownReasons.clear();
        ShutdownReasonsWithdrawn = 0;
        if (c.typed == InTheDialog) {
            SelectRow(static_cast<int>(std::find(FolderFiles.begin(), FolderFiles.end(), "pond.jpg") -
                                       FolderFiles.begin()));
            SendMessageA(FileList, WM_COMMAND, IDM_SET_DESCRIPTION, 0);
        } else {
            TypeIntoFolderDescription(c.typed == Nothing ? "" : typed);
            endSession();
        }
        PumpMessages();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(question.text, c.answer != 0 ? "Save changes?" : "");
        EXPECT_EQ(question.caption, c.answer != 0 ? "File not saved" : "");
        // Windows is given a reason while the question waits, and it is withdrawn after.
        EXPECT_EQ(ShutdownReasons.size(), c.answer != 0 ? 1u : 0u);
        EXPECT_TRUE(ShutdownReasons.empty() || ShutdownReasons[0].first == MainWindow);
        EXPECT_EQ(ShutdownReasonsWithdrawn, static_cast<int>(ShutdownReasons.size()));
        EXPECT_EQ(error.caption, c.typed == InTheBoxOnAFullDisk ? "Error" : "");
        EXPECT_EQ(folder.Read(file).find(typed) != std::string::npos, c.saved);
        EXPECT_EQ(DirtyFlag, c.typed != Nothing && !c.saved);
    }
}

TEST_F(DescriptionFileTest, ANewFileThatCannotBeWrittenLeavesNoFileAndTheWindowAsItWas) {
    WinFolder folder;
    SmallDisk disk(folder, "disk", 64);
    if (!disk.mounted) {
        GTEST_SKIP() << "no tmpfs can be mounted here: it takes the super-user";
    }
    OpenWorkedExample(folder);
    TypeIntoFolderDescription(" unsaved");
    disk.Fill();
    const VisibleState before = SeeState();
    AnswerMessageBox(IDNO, nullptr);  // to saving first: the typed text stays unsaved
    BoxSeen error;
    AnswerMessageBox(IDOK, &error);
    NewThroughSeam(disk.path + "\\file descriptions.desc");
    EXPECT_EQ(error.text, "The description file\n" + disk.path +
                              "\\file descriptions.desc\ncould not be created:\n" +
                              SystemErrorText(ERROR_DISK_FULL));
    EXPECT_FALSE(folder.Has("disk\\file descriptions.desc"));
    EXPECT_EQ(SeeState(), before);
    EXPECT_EQ(DirtyFlag, 1);
    EXPECT_EQ(DescribedFolder.path, folder.Path());
}

TEST_F(DescriptionFileTest, AFailingFileDialogIsSaidAndChangesNothing) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const VisibleState before = SeeState();
    const std::pair<DWORD, std::string> errors[] = {
        {FNERR_BUFFERTOOSMALL, "The path chosen is too long: Quillmark takes paths of up to 259 characters."},
        {CDERR_INITIALIZATION, "The file dialog failed (common dialog error 0x0002)."},
    };
    for (UINT command : {IDM_NEW_DESCRIPTION_FILE, IDM_OPEN_DESCRIPTION_FILE}) {
        for (const auto& error : errors) {
            BoxSeen box;
            AnswerMessageBox(IDOK, &box);
            FailFileDialogWith(error.first);
            Command(command);
            EXPECT_EQ(box.caption + ": " + box.text, "Error: " + error.second + "\n\nNothing was changed.");
            EXPECT_EQ(SeeState(), before);
        }
        Command(command);  // cancelled: nothing to say
    }
}

// ReplaceFileW as it fails on Windows with ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file has gone to
// the backup name, the new one could not take its place.
BOOL WINAPI ReplaceMovingTheOldFileAside(LPCWSTR target, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
    MoveFileW(target, backup);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

BOOL WINAPI RefuseToMove(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(DescriptionFileTest, AReplaceThatCannotPutTheOldFileBackKeepsBothFilesAndNamesThem) {
    WinFolder folder;
    OpenWorkedExample(folder);
    const std::string before = folder.Read("file descriptions.desc");
    const std::string failed = "The descriptions could not be saved to\n" + CurrentDescFile + "\n\n" +
                               SystemErrorText(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    ReplaceFileSeam = ReplaceMovingTheOldFileAside;
    for (auto moveBack : {MoveFileExW, RefuseToMove}) {
        MoveBackSeam = moveBack;
        TypeIntoFolderDescription("!");
        std::vector<std::string> listing = folder.Listing(), added;
        BoxSeen box;
        AnswerMessageBox(IDOK, &box);
        Command(IDM_SAVE_DESCRIPTIONS);
        EXPECT_EQ(DirtyFlag, 1);
        for (const std::string& name : folder.Listing()) {
            if (std::find(listing.begin(), listing.end(), name) == listing.end()) {
                added.push_back(name);
            }
        }
        if (moveBack == MoveFileExW) {
            EXPECT_EQ(box.text, failed + "\n\nThe file keeps its previous content.");
            EXPECT_EQ(folder.Read("file descriptions.desc"), before);
            EXPECT_TRUE(added.empty());
            continue;
        }
        EXPECT_FALSE(folder.Has("file descriptions.desc"));
        ASSERT_EQ(added.size(), 2u);
        if (folder.Read(added[0]) != before) {
            std::swap(added[0], added[1]);
        }
        EXPECT_EQ(folder.Read(added[0]), before);
        EXPECT_NE(folder.Read(added[1]).find("\n!!\r\n</folder_description>"), std::string::npos);
        EXPECT_EQ(box.text, failed +
                                "\nThe file could not be put back under its own name either. Its previous "
                                "content is in\n" +
                                folder.PathOf(added[0]) + "\nand the new content in\n" +
                                folder.PathOf(added[1]));
    }
}

TEST_F(DescriptionFileTest, DescribeSaveCloseStartAgainAndOpen) {
    WinFolder folder;
    folder.Write("pond.jpg", "");
    folder.Write("tree.jpg", "");
    RealFileDialogs();
    TypeIntoFileDialog(folder.PathOf("file descriptions.desc"));
    Command(IDM_NEW_DESCRIPTION_FILE);
    SetWindowTextA(FolderDescriptionEdit, "");
    TypeIntoFolderDescription("Garden photos");
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == "pond.jpg") {
            FolderDescriptions[i] = "The pond\r\nafter cleaning";
        }
    }
    BoxSeen question;
    AnswerMessageBox(IDYES, &question);
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(question.text, "Save changes?");
    EXPECT_FALSE(IsWindow(MainWindow));

    StartAgain();
    TypeIntoFileDialog(folder.PathOf("file descriptions.desc"));
    Command(IDM_OPEN_DESCRIPTION_FILE);
    EXPECT_EQ(ListRows(), RowsOf(folder.Listing(), {{"pond.jpg", "The pond\r\nafter cleaning"}}));
    EXPECT_EQ(TextOf(FolderDescriptionEdit), "\nGarden photos\n");
    EXPECT_EQ(TextOf(WorkingDirEdit), folder.Path());
}

}  // namespace
