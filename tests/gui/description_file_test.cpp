#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "descfile/file_io.h"
#include "resources/resource_ids.h"
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

// The worked example's description file for a folder.
std::string WorkedExample(const std::string& folder) {
    return "<?xml version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>" + folder +
           "</folder_name>\r\n\r\n<folder_description>\r\nPictures of the back "
           "garden.\r\n</folder_description>\r\n"
           "\r\n<file>\r\n<file_name>pond.jpg</file_name>\r\n<file_description>\r\nThe pond after "
           "cleaning.\r\n"
           "</file_description>\r\n</file>\r\n"
           "\r\n<file>\r\n<file_name>shed plan.txt</file_name>\r\n<file_description>\r\nMeasurements for the "
           "shed.\r\r\n"
           "Second version.\r\n</file_description>\r\n</file>\r\n\r\n</file_description_data>";
}

std::string CurrentFolder() {
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof path, path);
    return path;
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
        folder.Write("file descriptions.desc", WorkedExample("C:\\Photos\\Garden"));
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
    EXPECT_EQ(CurrentFolder(), folder.Path());
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
    folder.Write("file descriptions.desc", WorkedExample("C:\\Photos\\Garden"));
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
    EXPECT_EQ(CurrentFolder(), folder.Path());
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
    Rows rows = ListRows();
    std::string title = TextOf(MainWindow);
    std::string path = CurrentDescFile;
    WinFolder elsewhere;
    SetCurrentDirectoryA(folder.Path().c_str());
    for (UINT command : {IDM_NEW_DESCRIPTION_FILE, IDM_OPEN_DESCRIPTION_FILE}) {
        Command(command);
        EXPECT_EQ(ListRows(), rows);
        EXPECT_EQ(TextOf(MainWindow), title);
        EXPECT_EQ(CurrentDescFile, path);
        EXPECT_EQ(CurrentDescFileName, "file descriptions.desc");
        EXPECT_EQ(TextOf(FolderDescriptionEdit), "\nPictures of the back garden.\n");
        EXPECT_EQ(CurrentFolder(), folder.Path());
        EXPECT_EQ(FileCount, static_cast<int>(rows.size()));
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
    Rows rows = ListRows();
    std::string title = TextOf(MainWindow);
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
        EXPECT_EQ(ListRows(), rows);
        EXPECT_EQ(FileCount, static_cast<int>(rows.size()));
        EXPECT_EQ(TextOf(MainWindow), title);
        EXPECT_EQ(CurrentDescFile, folder.PathOf("file descriptions.desc"));
        EXPECT_EQ(CurrentDescFileName, "file descriptions.desc");
        EXPECT_EQ(TextOf(FolderDescriptionEdit), "\nPictures of the back garden.\n");
        EXPECT_EQ(TextOf(WorkingDirEdit), folder.Path());
        EXPECT_EQ(CurrentFolder(), folder.Path());
    }
    // The next save writes the file in use, with its descriptions, and leaves the refused ones alone.
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_EQ(other.Read("notes.txt"), "just some notes, <file> and all");
    EXPECT_EQ(other.Read("empty.desc"), "");
    EXPECT_FALSE(other.Has("missing.desc"));
    EXPECT_EQ(folder.Read("file descriptions.desc"), WorkedExample(folder.Path()));
}

TEST_F(DescriptionFileTest, AFailedSaveIsReportedAndKeepsTheDirtyFlag) {
    WinFolder folder;
    OpenWorkedExample(folder);
    std::string before = folder.Read("file descriptions.desc");
    SetFileAttributesA(CurrentDescFile.c_str(), FILE_ATTRIBUTE_READONLY);
    TypeIntoFolderDescription("more");
    ASSERT_EQ(DirtyFlag, 1);
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_NE(box.text.find(CurrentDescFile), std::string::npos) << box.text;
    EXPECT_EQ(DirtyFlag, 1);
    EXPECT_EQ(folder.Read("file descriptions.desc"), before);
    EXPECT_FALSE(folder.Has("file descriptions.desc.saving~"));

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

TEST_F(DescriptionFileTest, AnInterruptedSaveLeavesTheOldFile) {
    WinFolder folder;
    OpenWorkedExample(folder);
    std::string before = folder.Read("file descriptions.desc");
    FolderDescriptions[3] = std::string(3 << 20, 'x');  // several chunks
    AllowChunkWrite = [](size_t written) { return written == 0; };
    BoxSeen box;
    AnswerMessageBox(IDOK, &box);
    Command(IDM_SAVE_DESCRIPTIONS);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(folder.Read("file descriptions.desc"), before);
    EXPECT_FALSE(folder.Has("file descriptions.desc.saving~"));
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
    EXPECT_FALSE(folder.Has("file descriptions.desc.saving~"));
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

TEST_F(DescriptionFileTest, OpenAsksToSaveWheneverThereAreChanges) {
    WinFolder folder;
    OpenWorkedExample(folder);
    Command(IDM_SAVE_DESCRIPTIONS);
    ASSERT_EQ(SavedFlag, 1);
    const std::string before = folder.Read("file descriptions.desc");
    for (int answer : {IDNO, IDYES}) {
        TypeIntoFolderDescription(answer == IDYES ? "Y" : "N");
        BoxSeen box;
        AnswerMessageBox(answer, &box);
        Command(IDM_OPEN_DESCRIPTION_FILE);  // the dialog is then cancelled
        EXPECT_TRUE(box.shown);
        EXPECT_EQ(box.caption, "File not saved");
        EXPECT_EQ(box.text, "Save changes?");
        // No leaves the file as it was; Yes saves both typed letters before the dialog opens.
        std::string saved = folder.Read("file descriptions.desc");
        EXPECT_EQ(saved == before, answer == IDNO);
        EXPECT_EQ(saved.find("NY\r\n</folder_description>") != std::string::npos, answer == IDYES);
    }
    EXPECT_EQ(DirtyFlag, 0);
    Command(IDM_OPEN_DESCRIPTION_FILE);  // nothing to ask
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
