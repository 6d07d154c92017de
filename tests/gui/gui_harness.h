// What the GUI tests need to drive the real main window in-process: answering modal windows,
// recording the calls that leave the program, reading the list, and a temporary Windows folder.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_folder.h"

// Handles one modal window (message box, dialog, file dialog) once it is active and its own modal
// loop runs; the handler must end it.
using ModalHandler = std::function<void(HWND)>;

// Queues a handler for the next modal window that appears.
void ExpectModal(ModalHandler handler);

// Handlers queued but not used yet.
size_t PendingModals();

// Captions and texts of modal windows that appeared with no handler queued (they were dismissed).
std::vector<std::string> TakeUnexpectedModals();

// What a message box showed.
struct BoxSeen {
    bool shown = false;
    std::string caption;
    std::string text;
};

// Queues an answer (IDYES, IDNO, IDOK) for the next message box and records what it showed.
void AnswerMessageBox(int answer, BoxSeen* seen);

// Queues typing path into the next file dialog's name box and pressing its OK button.
void TypeIntoFileDialog(const std::string& path);

// The window's text.
std::string TextOf(HWND window);

// The file list's rows: name and description of each.
std::vector<std::pair<std::string, std::string>> ListRows();

// Selects row (or, with -1, clears the selection) of the file list.
void SelectRow(int row);

// The file list's selected row, -1 for none.
int SelectedRowOfList();

// Dispatches the messages waiting in this thread's queue.
void PumpMessages();

// A recorded ShellExecuteA call.
struct ShellCall {
    HWND owner;
    std::string verb, file, parameters;
    bool hasParameters, hasDirectory;
    int show;
};
extern std::vector<ShellCall> ShellCalls;
// What the recorded ShellExecuteA calls return: 42, a success, unless a test says otherwise.
extern INT_PTR ShellCallResult;
// The reasons given for holding up the end of the session, with their windows, and how many were
// withdrawn again.
extern std::vector<std::pair<HWND, std::wstring>> ShutdownReasons;
extern int ShutdownReasonsWithdrawn;
// The paths given to the shell to open as items, in order.
extern std::vector<std::wstring> ShellItemsOpened;

// What the last faked file dialog was given.
struct FileDialogSeen {
    bool shown = false;
    DWORD structSize = 0, flags = 0, maxFile = 0;
    HWND owner = nullptr;
    std::string filter;  // the whole double-NUL-terminated list
    std::string defaultExtension;
    std::string initialFile;
};
extern FileDialogSeen LastFileDialog;

// Makes the next faked file dialog return path (an empty path: the user cancels).
void AnswerFileDialogWith(const std::string& path);

// Makes the next faked file dialog fail with that common dialog error (CommDlgExtendedError).
void FailFileDialogWith(DWORD error);

// Points the file dialog seams at fakes that answer with AnswerFileDialogWith's path.
void FakeFileDialogs();

// Points them back at the real common dialogs.
void RealFileDialogs();

// A recorded popup menu: its items and how it was tracked.
struct PopupSeen {
    bool shown = false;
    std::vector<std::pair<UINT, std::string>> items;  // id and text; separators have id 0 and no text
    UINT flags = 0;
    POINT at = {};
    HWND owner = nullptr;
};
extern PopupSeen LastPopup;

// A temporary folder on Wine's drive C, with what only Windows has: the listing in the file system's
// order, "." and ".." included, and entries by their exact names.
class WinFolder : public TestFolder {
  public:
    // The program under test chooses its current directory itself.
    WinFolder() : TestFolder(false) {}
    ~WinFolder();
    // Entry names in the order the file system enumerates them.
    std::vector<std::string> Listing() const;
    // The "\\?\" path of an entry by its exact name, which Windows does not normalise.
    std::wstring ExactPathOf(const std::wstring& name) const;
    // Creates an empty file of exactly that name (trailing dots and blanks, any letters), as another
    // program or the Linux side would.
    void WriteExact(const std::wstring& name) const;
    // True when an entry of exactly that name is there.
    bool HasExact(const std::wstring& name) const;
};

// Every test starts with a new main window and fresh tables, and ends with no modal left unanswered.
class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Destroys the main window as the user's close would leave it (without asking).
    void DestroyMainWindow();
    // Creates the main window again, as a new start of the program.
    void StartAgain();
    // Menu item state flags (MF_GRAYED...) of a command of the main menu.
    UINT MenuState(UINT id) const;
    // Sends a command to the main window as a menu item would.
    void Command(UINT id);
    std::string startFolder_;
};

// Renames a file or folder on the Linux side, below Wine, as another program or an unplugged drive
// would; Wine itself, like Windows, refuses to rename the folder that is the current directory.
bool RenameBelowWine(const std::string& from, const std::string& to);
// Makes link a Linux symbolic link to target, below Wine as above.
bool LinkBelowWine(const std::string& target, const std::string& link);

// A disk of a few kilobytes (a tmpfs mounted below Wine) as the folder name of a test folder, unmounted
// when it goes; filled, it takes no byte more. Mounting needs the super-user: check mounted.
class SmallDisk {
  public:
    SmallDisk(const WinFolder& folder, const std::string& name, int kilobytes);
    ~SmallDisk();
    // Writes a file that takes every byte left.
    void Fill() const;
    bool mounted = false;
    std::string path;
};

// Unmounts every SmallDisk still mounted, for a run that ends before their destructors run.
void UnmountSmallDisks();

// Creates empty files of those names in a folder on the Linux side, as the Linux side's own tools would:
// Wine looks for other letter cases of each name it creates, which takes minutes in a large folder.
bool CreateBelowWine(const std::string& folder, const std::vector<std::string>& names);

// Runs a second instance of the program (this test program, started again) that opens the description
// file, gives the entry name the description text and saves, as another window on the same folder would;
// returns its exit code (0 when it saved).
int RunSecondInstance(const std::string& file, const std::string& name, const std::string& text);

// What the second instance does, in the started process.
int SaveAsSecondInstance(const char* file, const char* name, const char* text);

// What the user sees of the main window, with the description file in use, its bytes and the current
// directory: compared before and after an action that must change nothing.
struct VisibleState {
    std::string title, status, workingFolder, folderDescription, descFile, descFileBytes, currentFolder;
    std::vector<std::pair<std::string, std::string>> rows;
    int selected, fileCount;
    bool operator==(const VisibleState& other) const;
};
void PrintTo(const VisibleState& state, std::ostream* out);

// The visible state as it is now.
VisibleState SeeState();

// Puts entries into the tables and shows them.
void ShowEntries(const std::vector<std::pair<std::string, std::string>>& entries);
