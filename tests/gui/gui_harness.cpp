#include "tests/gui/gui_harness.h"

#include <commctrl.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/file_io.h"
#include "descfile/replace_seams_win.h"
#include "descfile/save.h"
#include "descfile/writer.h"
#include "resources/resource_ids.h"
#include "store/described_folder.h"
#include "store/file_list_view.h"
#include "store/tables.h"

std::vector<ShellCall> ShellCalls;
INT_PTR ShellCallResult = 42;
std::vector<std::pair<HWND, std::wstring>> ShutdownReasons;
int ShutdownReasonsWithdrawn = 0;
std::vector<std::wstring> ShellItemsOpened;
FileDialogSeen LastFileDialog;
PopupSeen LastPopup;

namespace {

std::deque<ModalHandler> Handlers;
std::deque<HWND> ActivatedModals;
std::set<HWND> SeenModals;
std::vector<std::string> Unexpected;
HHOOK CbtHook = nullptr;
std::string NextDialogPath;
DWORD NextDialogError = 0;

bool IsDialogClass(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

// Runs inside the modal window's own loop, once it is up.
void CALLBACK RunModalHandler(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (ActivatedModals.empty()) {
        return;
    }
    HWND modal = ActivatedModals.front();
    ActivatedModals.pop_front();
    if (!IsWindow(modal)) {
        return;
    }
    if (Handlers.empty()) {
        Unexpected.push_back(TextOf(modal) + ": " + TextOf(GetDlgItem(modal, 0xFFFF)));
        PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(modal, WM_CLOSE, 0, 0);
        return;
    }
    ModalHandler handler = std::move(Handlers.front());
    Handlers.pop_front();
    handler(modal);
}

LRESULT CALLBACK WatchModals(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsDialogClass(window) && SeenModals.insert(window).second) {
        // Activation can repeat for one window; each is answered once.
        ActivatedModals.push_back(window);
        SetTimer(nullptr, 0, 10, RunModalHandler);
    } else if (code == HCBT_DESTROYWND) {
        SeenModals.erase(window);
    }
    return CallNextHookEx(CbtHook, code, wParam, lParam);
}

HINSTANCE WINAPI
RecordShellCall(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show) {
    ShellCalls.push_back({owner, verb ? verb : "", file ? file : "", parameters ? parameters : "",
                          parameters != nullptr, directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(ShellCallResult);
}

BOOL WINAPI RecordShutdownReason(HWND window, LPCWSTR reason) {
    ShutdownReasons.emplace_back(window, reason);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);  // as Wine 8 answers
    return FALSE;
}

BOOL WINAPI RecordShutdownReasonWithdrawn(HWND) {
    ++ShutdownReasonsWithdrawn;
    return FALSE;
}

DWORD WINAPI FakeDialogError() {
    DWORD error = NextDialogError;
    NextDialogError = 0;
    return error;
}

BOOL WINAPI RecordShellItem(HWND, LPCWSTR folder, LPCWSTR name) {
    ShellItemsOpened.push_back(L"\\\\?\\" + std::wstring(folder) + L"\\" + name);
    return TRUE;
}

BOOL WINAPI FakeFileDialog(LPOPENFILENAMEA dialog) {
    LastFileDialog.shown = true;
    LastFileDialog.structSize = dialog->lStructSize;
    LastFileDialog.flags = dialog->Flags;
    LastFileDialog.maxFile = dialog->nMaxFile;
    LastFileDialog.owner = dialog->hwndOwner;
    const char* filter = dialog->lpstrFilter;
    size_t length = 0;
    while (filter[length] != '\0' || filter[length + 1] != '\0') {
        ++length;
    }
    LastFileDialog.filter.assign(filter, length + 2);
    LastFileDialog.defaultExtension = dialog->lpstrDefExt ? dialog->lpstrDefExt : "(null)";
    LastFileDialog.initialFile = dialog->lpstrFile;
    if (NextDialogPath.empty() || NextDialogError != 0) {
        return FALSE;
    }
    lstrcpynA(dialog->lpstrFile, NextDialogPath.c_str(), static_cast<int>(dialog->nMaxFile));
    NextDialogPath.clear();
    return TRUE;
}

BOOL WINAPI RecordPopup(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    LastPopup = PopupSeen();
    LastPopup.shown = true;
    LastPopup.flags = flags;
    LastPopup.at = {x, y};
    LastPopup.owner = owner;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        UINT id = GetMenuItemID(menu, i);
        LastPopup.items.emplace_back(id == static_cast<UINT>(-1) ? 0 : id, text);
    }
    return TRUE;
}

}  // namespace

void ExpectModal(ModalHandler handler) {
    Handlers.push_back(std::move(handler));
}

size_t PendingModals() {
    return Handlers.size();
}

std::vector<std::string> TakeUnexpectedModals() {
    std::vector<std::string> taken;
    taken.swap(Unexpected);
    return taken;
}

void AnswerMessageBox(int answer, BoxSeen* seen) {
    ExpectModal([answer, seen](HWND box) {
        if (seen != nullptr) {
            seen->shown = true;
            seen->caption = TextOf(box);
            seen->text = TextOf(GetDlgItem(box, 0xFFFF));
        }
        PostMessageA(box, WM_COMMAND, answer, 0);
    });
}

void TypeIntoFileDialog(const std::string& path) {
    ExpectModal([path](HWND dialog) {
        SetDlgItemTextA(dialog, 0x47C, path.c_str());  // cmb13, the file name box
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
}

std::string TextOf(HWND window) {
    return ControlText(window);
}

std::vector<std::pair<std::string, std::string>> ListRows() {
    std::vector<std::pair<std::string, std::string>> rows;
    int count = static_cast<int>(SendMessageA(FileList, LVM_GETITEMCOUNT, 0, 0));
    std::vector<char> buffer(64 * 1024);
    for (int row = 0; row < count; ++row) {
        std::string cells[2];
        for (int column = 0; column < 2; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buffer.data();
            item.cchTextMax = static_cast<int>(buffer.size());
            buffer[0] = '\0';
            SendMessageA(FileList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            cells[column] = buffer.data();
        }
        rows.emplace_back(cells[0], cells[1]);
    }
    return rows;
}

void SelectRow(int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(FileList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (row >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(FileList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
}

int SelectedRowOfList() {
    return static_cast<int>(SendMessageA(FileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void AnswerFileDialogWith(const std::string& path) {
    NextDialogPath = path;
}

void FailFileDialogWith(DWORD error) {
    NextDialogError = error;
}

void FakeFileDialogs() {
    SaveDialogSeam = FakeFileDialog;
    OpenDialogSeam = FakeFileDialog;
    DialogErrorSeam = FakeDialogError;
}

void RealFileDialogs() {
    SaveDialogSeam = GetSaveFileNameA;
    OpenDialogSeam = GetOpenFileNameA;
    DialogErrorSeam = CommDlgExtendedError;
}

WinFolder::~WinFolder() {
    // By exact names, so that names the ANSI functions cannot reach go too.
    std::wstring folder = ExactPathOf(L"");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                std::wstring path = folder + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(path.c_str())) {
                    RemoveDirectoryW(path.c_str());
                }
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // The folder itself goes with the rest of it.
}

std::wstring WinFolder::ExactPathOf(const std::wstring& name) const {
    std::wstring wide(path_.begin(), path_.end());
    return L"\\\\?\\" + wide + L"\\" + name;
}

void WinFolder::WriteExact(const std::wstring& name) const {
    HANDLE file = CreateFileW(ExactPathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

bool WinFolder::HasExact(const std::wstring& name) const {
    return GetFileAttributesW(ExactPathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> WinFolder::Listing() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void MainWindowTest::SetUp() {
    startFolder_ = std::string(MAX_PATH, '\0');
    startFolder_.resize(GetCurrentDirectoryA(MAX_PATH, &startFolder_[0]));
    if (CbtHook == nullptr) {
        CbtHook = SetWindowsHookExA(WH_CBT, WatchModals, nullptr, GetCurrentThreadId());
    }
    ResetTables();
    CurrentDescFile.clear();
    CurrentDescFileName.clear();
    DirtyFlag = SavedFlag = 0;
    SelectedIndex = -1;
    ShellCalls.clear();
    ShellCallResult = 42;
    ShutdownReasons.clear();
    ShutdownReasonsWithdrawn = 0;
    ReplaceFileSeam = ReplaceFileW;
    MoveBackSeam = MoveFileExW;
    ShutdownBlockReasonSeam = RecordShutdownReason;
    ShutdownUnblockSeam = RecordShutdownReasonWithdrawn;
    ShellItemsOpened.clear();
    CurrentDescFileStamp = FileStamp();
    DescribedFolder = KnownFolder();
    LastFileDialog = FileDialogSeen();
    LastPopup = PopupSeen();
    ShellExecuteSeam = RecordShellCall;
    OpenEntrySeam = RecordShellItem;
    PopupMenuSeam = RecordPopup;
    FakeFileDialogs();
    AnswerFileDialogWith("");
    ASSERT_TRUE(StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    PumpMessages();
}

void MainWindowTest::DestroyMainWindow() {
    if (MainWindow != nullptr && IsWindow(MainWindow)) {
        DestroyWindow(MainWindow);
    }
    MainWindow = nullptr;
    PumpMessages();  // drops the WM_QUIT that WM_DESTROY posts
    UnregisterClassA("myWindowClass", GetModuleHandleA(nullptr));
}

void MainWindowTest::StartAgain() {
    DestroyMainWindow();
    ResetTables();
    CurrentDescFile.clear();
    CurrentDescFileName.clear();
    DirtyFlag = SavedFlag = EditingEnabled = 0;
    SelectedIndex = -1;
    ASSERT_TRUE(StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    PumpMessages();
}

void MainWindowTest::TearDown() {
    EXPECT_EQ(PendingModals(), 0u) << "a modal window the test expected never appeared";
    Handlers.clear();
    for (const std::string& box : TakeUnexpectedModals()) {
        ADD_FAILURE() << "unexpected modal window: " << box;
    }
    DirtyFlag = 0;
    DestroyMainWindow();
    SetCurrentDirectoryA(startFolder_.c_str());
}

UINT MainWindowTest::MenuState(UINT id) const {
    return GetMenuState(GetMenu(MainWindow), id, MF_BYCOMMAND);
}

void MainWindowTest::Command(UINT id) {
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
}

void ShowEntries(const std::vector<std::pair<std::string, std::string>>& entries) {
    ResetTables();
    for (const auto& entry : entries) {
        StoreFolderEntry(entry.first, entry.second);
    }
    FillFileList();
}

int RunSecondInstance(const std::string& file, const std::string& name, const std::string& text) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command =
        std::string("\"") + self + "\" --second-instance \"" + file + "\" \"" + name + "\" \"" + text + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-2);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int SaveAsSecondInstance(const char* file, const char* name, const char* text) {
    FakeFileDialogs();
    AnswerFileDialogWith(file);
    if (!StartMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) {
        return 2;
    }
    SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN_DESCRIPTION_FILE, 0);
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == name) {
            FolderDescriptions[i] = text;
            DirtyFlag = 1;
        }
    }
    return DirtyFlag == 1 && SaveDescriptionFile() == SaveOutcome::Saved ? 0 : 1;
}

namespace {

// The Linux path of a Windows path, from Wine's own export; empty outside Wine.
std::string UnixPathOf(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return std::string();
    }
    std::wstring wide(path.begin(), path.end());
    char* unix = toUnix(wide.c_str());
    std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// A Linux system call made from inside the Wine process, below Wine; negative results are -errno.
#if defined(__x86_64__)
enum LinuxCallNumber : INT_PTR {
    LinuxOpen = 2,
    LinuxClose = 3,
    LinuxRename = 82,
    LinuxSymlink = 88,
    LinuxMount = 165,
    LinuxUnmount = 166
};
INT_PTR LinuxCall(LinuxCallNumber number, INT_PTR a, INT_PTR b, INT_PTR c, INT_PTR d = 0, INT_PTR e = 0) {
    INT_PTR result;
    register INT_PTR fourth asm("r10") = d;
    register INT_PTR fifth asm("r8") = e;
    asm volatile("syscall"
                 : "=a"(result)
                 : "a"(number), "D"(a), "S"(b), "d"(c), "r"(fourth), "r"(fifth)
                 : "rcx", "r11", "memory");
    return result;
}
#else
enum LinuxCallNumber : INT_PTR {
    LinuxOpen = 5,
    LinuxClose = 6,
    LinuxRename = 38,
    LinuxSymlink = 83,
    LinuxMount = 21,
    LinuxUnmount = 52
};
INT_PTR LinuxCall(LinuxCallNumber number, INT_PTR a, INT_PTR b, INT_PTR c, INT_PTR d = 0, INT_PTR e = 0) {
    INT_PTR result;
    asm volatile("int $0x80" : "=a"(result) : "a"(number), "b"(a), "c"(b), "d"(c), "S"(d), "D"(e) : "memory");
    return result;
}
#endif

// A Linux call on two paths whose last names need not exist, nor be UTF-8: each Linux path is that of its
// folder and its name as it stands.
bool LinuxCallOnPaths(LinuxCallNumber number, const std::string& first, const std::string& second) {
    auto unixPathOf = [](const std::string& path) {
        size_t slash = path.rfind('\\');
        std::string folder = UnixPathOf(path.substr(0, slash));
        return folder.empty() ? folder : folder + "/" + path.substr(slash + 1);
    };
    std::string one = unixPathOf(first), two = unixPathOf(second);
    return !one.empty() && !two.empty() &&
           LinuxCall(number, reinterpret_cast<INT_PTR>(one.c_str()), reinterpret_cast<INT_PTR>(two.c_str()),
                     0) == 0;
}

}  // namespace

bool RenameBelowWine(const std::string& from, const std::string& to) {
    return LinuxCallOnPaths(LinuxRename, from, to);
}

bool LinkBelowWine(const std::string& target, const std::string& link) {
    return LinuxCallOnPaths(LinuxSymlink, target, link);
}

bool CreateBelowWine(const std::string& folder, const std::vector<std::string>& names) {
    std::string unixFolder = UnixPathOf(folder);
    if (unixFolder.empty()) {
        return false;
    }
    const INT_PTR createNew = 01 | 0100 | 0200;  // Linux's O_WRONLY | O_CREAT | O_EXCL
    for (const std::string& name : names) {
        std::string path = unixFolder + "/" + name;
        INT_PTR file = LinuxCall(LinuxOpen, reinterpret_cast<INT_PTR>(path.c_str()), createNew, 0644);
        if (file < 0 || LinuxCall(LinuxClose, file, 0, 0) != 0) {
            return false;
        }
    }
    return true;
}

namespace {

// The Linux paths of the small disks mounted now.
std::set<std::string> MountedDisks;

void Unmount(const std::string& unixPath) {
    const INT_PTR detach = 2;  // Linux's MNT_DETACH: also while Wine holds the folder open
    LinuxCall(LinuxUnmount, reinterpret_cast<INT_PTR>(unixPath.c_str()), detach, 0);
}

}  // namespace

void UnmountSmallDisks() {
    for (const std::string& disk : MountedDisks) {
        Unmount(disk);
    }
}

SmallDisk::SmallDisk(const WinFolder& folder, const std::string& name, int kilobytes)
    : path(folder.PathOf(name)) {
    CreateDirectoryA(path.c_str(), nullptr);
    std::string unixPath = UnixPathOf(path), options = "size=" + std::to_string(kilobytes) + "k";
    mounted =
        !unixPath.empty() &&
        LinuxCall(LinuxMount, reinterpret_cast<INT_PTR>("tmpfs"), reinterpret_cast<INT_PTR>(unixPath.c_str()),
                  reinterpret_cast<INT_PTR>("tmpfs"), 0, reinterpret_cast<INT_PTR>(options.c_str())) == 0;
    if (mounted) {
        MountedDisks.insert(unixPath);
    }
}

SmallDisk::~SmallDisk() {
    if (mounted) {
        Unmount(UnixPathOf(path));
        MountedDisks.erase(UnixPathOf(path));
    }
}

void SmallDisk::Fill() const {
    HANDLE file = CreateFileA((path + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string chunk(4096, 'f');
    DWORD written = 1;
    while (file != INVALID_HANDLE_VALUE && written > 0 &&
           WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr)) {
    }
    CloseHandle(file);
}

namespace {

auto Tied(const VisibleState& s) {
    return std::tie(s.title, s.status, s.workingFolder, s.folderDescription, s.descFile, s.descFileBytes,
                    s.currentFolder, s.rows, s.selected, s.fileCount);
}

}  // namespace

bool VisibleState::operator==(const VisibleState& other) const {
    return Tied(*this) == Tied(other);
}

void PrintTo(const VisibleState& s, std::ostream* out) {
    *out << "\"" << s.title << "\", " << s.rows.size() << " rows, " << s.fileCount << " in the tables, row "
         << s.selected << " selected, \"" << s.status << "\", folder box \"" << s.folderDescription << "\", "
         << s.descFileBytes.size() << " bytes in the file, in " << s.currentFolder;
}

VisibleState SeeState() {
    char folder[MAX_PATH] = {}, status[256] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    SendMessageA(StatusBar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(status));
    std::ifstream file(CurrentDescFile, std::ios::binary);
    return {TextOf(MainWindow),
            status,
            TextOf(WorkingDirEdit),
            TextOf(FolderDescriptionEdit),
            CurrentDescFile,
            std::string(std::istreambuf_iterator<char>(file), {}),
            folder,
            ListRows(),
            SelectedRowOfList(),
            FileCount};
}
