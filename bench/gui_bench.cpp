// Times the program's actions in the real main window of a fresh process on a folder of N empty files
// under Wine, each beside the cheapest work it cannot avoid: opening the description file, closing the
// File description dialog, Refresh folder and the Delete key, against filling a new bare list view of the
// same style with the same rows by text callback, reading the file raw and listing the folder raw. The
// actions are driven by the messages a user's clicks and keys send; message boxes are answered from a CBT
// hook and the Open dialog through its seam. The peak working set is read right after the open. Prints
// "RESULT name value" lines; scripts/bench runs it a few times and keeps the fastest of each figure.
//
// Usage: gui_bench FOLDER N [--write]. FOLDER holds the files file000001.txt to fileN.txt. --write only
// writes the description file describing every file, as the program's own save writes it; a run deletes
// one file with the Delete key, makes it again and leaves the description file changed.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/seams.h"
#include "descfile/writer.h"
#include "resources/resource_ids.h"
#include "store/tables.h"

namespace {

const char* const DescFileName = "file descriptions.desc";

std::string Folder;
std::string DescPath;
std::string DescText;  // the description file as written at the start
std::string NewDescription;
double LastCloseMs = 0;
int DeleteQuestions = 0;
std::vector<std::string> UnexpectedWindows;
std::set<HWND> Answered;
HWND DescriptionDialog = nullptr;
HHOOK Hook = nullptr;

// Milliseconds on the performance counter.
double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Dispatches what is waiting in this thread's queue, so one timed action does not pay for the last.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The Open dialog answered with the description file's path.
BOOL WINAPI AnswerOpenDialog(LPOPENFILENAMEA dialog) {
    lstrcpynA(dialog->lpstrFile, DescPath.c_str(), static_cast<int>(dialog->nMaxFile));
    return TRUE;
}

// Runs inside the File description dialog's modal loop: types the new text and closes the dialog,
// timing from WM_CLOSE to the list repainted.
void CALLBACK CloseDescriptionDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    SetWindowTextA(GetDlgItem(DescriptionDialog, IDC_FILE_DESCRIPTION_EDIT), NewDescription.c_str());
    double start = Now();
    SendMessageA(DescriptionDialog, WM_CLOSE, 0, 0);
    UpdateWindow(FileList);
    LastCloseMs = Now() - start;
}

// Answers "Delete file?" with Yes and closes the File description dialog; any other window is
// recorded and dismissed, since it would distort the figures.
LRESULT CALLBACK AnswerModals(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameA(window, className, sizeof className) &&
        std::strcmp(className, "#32770") == 0 && Answered.insert(window).second) {
        // Activation can repeat for one window; each is answered once.
        std::string title = WindowText(window);
        std::string text = WindowText(GetDlgItem(window, 0xFFFF));
        if (text == "Delete file?") {
            ++DeleteQuestions;
            PostMessageA(window, WM_COMMAND, IDYES, 0);
        } else if (title.rfind("File description - ", 0) == 0) {
            DescriptionDialog = window;
            SetTimer(nullptr, 0, 0, CloseDescriptionDialog);
        } else {
            UnexpectedWindows.push_back(title + ": " + text);
            PostMessageA(window, WM_COMMAND, IDNO, 0);
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
    } else if (code == HCBT_DESTROYWND) {
        Answered.erase(window);
    }
    return CallNextHookEx(Hook, code, wParam, lParam);
}

// The folder's entries, listed raw.
std::vector<std::string> ListFolder() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((Folder + "\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The whole file, read raw; empty when it cannot be read.
std::string ReadRaw(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

bool WriteRaw(const std::string& path, const std::string& bytes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

// A description file that describes every file of the folder, in the order the folder lists them, as
// the program's own save writes it.
std::string DescribeEveryFile() {
    std::vector<std::string> names, descriptions;
    for (std::string& name : ListFolder()) {
        if (name != "." && name != ".." && name != DescFileName) {
            descriptions.push_back("description " + std::to_string(std::atoi(name.c_str() + 4)));
            names.push_back(std::move(name));
        }
    }
    return FormatDescriptionFile(Folder, "Benchmark folder", names, descriptions,
                                 static_cast<int>(names.size()));
}

// Parent of the bare list: answers its text requests from the tables, as cheaply as it can be done.
LRESULT CALLBACK BareFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOA) {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.iItem < FileCount) {
            const std::string& text =
                item.iSubItem == 0 ? FolderFiles[item.iItem] : FolderDescriptions[item.iItem];
            lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A new top-level window with a list view of the file list's style, size and columns.
HWND CreateBareList(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BareFrameProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QuillmarkBareListFrame";
    static ATOM registered = RegisterClassExA(&windowClass);
    (void)registered;
    HWND frame =
        CreateWindowExA(0, windowClass.lpszClassName, "Bare list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                        MainWindowWidth, MainWindowHeight, nullptr, nullptr, instance, nullptr);
    RECT size = {};
    GetClientRect(FileList, &size);
    HWND list =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", GetWindowLongA(FileList, GWL_STYLE), 0, 0,
                        size.right, size.bottom, frame, reinterpret_cast<HMENU>(1), instance, nullptr);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const char* titles[] = {"Filename", "Description"};
    const int widths[] = {276, 367};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = widths[i];
        column.pszText = const_cast<char*>(titles[i]);
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

// Fills the new, empty bare list with FileCount rows whose texts it asks for, and paints it.
void FillBareList(HWND list) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, FileCount, 0);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = LPSTR_TEXTCALLBACKA;
    for (int i = 0; i < FileCount; ++i) {
        item.iItem = i;
        item.iSubItem = 0;
        item.iItem =
            static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        item.iSubItem = 1;
        SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
}

// The text of a cell of a list.
std::string CellText(HWND list, int row, int column) {
    char text[256] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Selects one row of the file list, as a click would.
void SelectRow(int row) {
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(FileList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The row showing the entry name; -1 when none does.
int RowOf(const std::string& name) {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name.c_str();
    return static_cast<int>(
        SendMessageA(FileList, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

// Runs action and repaints the file list; the milliseconds both took.
template <typename Action>
double Timed(Action action) {
    PumpMessages();
    double start = Now();
    action();
    UpdateWindow(FileList);
    double taken = Now() - start;
    PumpMessages();
    return taken;
}

void Fail(const std::string& what) {
    std::printf("gui_bench: %s\n", what.c_str());
    std::fflush(stdout);
    ExitProcess(1);
}

// Peak and current working set of this process, in MiB.
void PrintMemory(const char* name) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("RESULT %s_peak_mib %.1f\n", name, counters.PeakWorkingSetSize / 1048576.0);
    std::printf("RESULT %s_now_mib %.1f\n", name, counters.WorkingSetSize / 1048576.0);
}

void Open() {
    SendMessageA(MainWindow, WM_COMMAND, IDM_OPEN_DESCRIPTION_FILE, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: gui_bench FOLDER N [--write]\n");
        return 2;
    }
    Folder = argv[1];
    DescPath = Folder + "\\" + DescFileName;
    const int files = std::atoi(argv[2]);
    if (argc > 3 && std::strcmp(argv[3], "--write") == 0) {
        return WriteRaw(DescPath, DescribeEveryFile()) ? 0 : 1;
    }
    // The files, ".", ".." and the description file.
    const int entries = files + 3;
    char victim[32];
    std::snprintf(victim, sizeof victim, "file%06d.txt", files / 2);
    const std::string victimPath = Folder + "\\" + victim;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    OpenDialogSeam = AnswerOpenDialog;
    Hook = SetWindowsHookExA(WH_CBT, AnswerModals, nullptr, GetCurrentThreadId());
    PrintMemory("start");
    if (!StartMainWindow(instance, SW_SHOWNORMAL)) {
        Fail("the main window could not be started");
    }
    PumpMessages();

    const double open = Timed(Open);
    PrintMemory("opened");
    if (RowCount(FileList) != entries || FileCount != entries) {
        Fail("the open listed " + std::to_string(RowCount(FileList)) + " rows for " +
             std::to_string(entries) + " entries");
    }

    const int row = entries / 3;
    NewDescription = "changed";
    SelectRow(row);
    Timed([] { SendMessageA(FileList, WM_COMMAND, IDM_SET_DESCRIPTION, 0); });
    if (CellText(FileList, row, 1) != NewDescription) {
        Fail("closing the dialog did not show the new description");
    }

    const double refresh = Timed([] { SendMessageA(FileList, WM_COMMAND, IDM_REFRESH_FOLDER, 0); });
    if (RowCount(FileList) != entries) {
        Fail("the refresh listed " + std::to_string(RowCount(FileList)) + " rows");
    }

    SelectRow(RowOf(victim));
    const double deleteKey = Timed([] { SendMessageA(FileList, WM_KEYDOWN, VK_DELETE, 0); });
    if (DeleteQuestions != 1 || GetFileAttributesA(victimPath.c_str()) != INVALID_FILE_ATTRIBUTES ||
        RowCount(FileList) != entries - 1) {
        Fail(std::string("the Delete key did not delete ") + victim);
    }
    WriteRaw(victimPath, "");

    // The baselines, on the same tables: a new bare list shown alone, the raw read and listing.
    ShowWindow(MainWindow, SW_HIDE);
    HWND bare = CreateBareList(instance);
    PumpMessages();
    double start = Now();
    FillBareList(bare);
    const double bareFill = Now() - start;
    if (RowCount(bare) != FileCount || CellText(bare, FileCount - 1, 0) != FolderFiles[FileCount - 1]) {
        Fail("the bare list does not show the tables");
    }
    PumpMessages();
    start = Now();
    std::string raw = ReadRaw(DescPath);
    const double rawRead = Now() - start;
    start = Now();
    std::vector<std::string> names = ListFolder();
    const double rawList = Now() - start;
    if (raw.empty() || static_cast<int>(names.size()) != entries) {
        Fail("the raw read or listing did not find the folder");
    }
    for (const std::string& window : UnexpectedWindows) {
        std::printf("unexpected window: %s\n", window.c_str());
    }

    std::printf(
        "%d entries, ms: open %.2f, close dialog %.2f, refresh %.2f, delete key %.2f; bare fill %.2f, "
        "raw read %.2f, raw listing %.2f\n",
        entries, open, LastCloseMs, refresh, deleteKey, bareFill, rawRead, rawList);
    std::printf("RESULT open_ms %.3f\n", open);
    std::printf("RESULT close_dialog_ms %.3f\n", LastCloseMs);
    std::printf("RESULT refresh_ms %.3f\n", refresh);
    std::printf("RESULT delete_key_ms %.3f\n", deleteKey);
    std::printf("RESULT bare_fill_ms %.3f\n", bareFill);
    std::printf("RESULT raw_read_ms %.3f\n", rawRead);
    std::printf("RESULT raw_list_ms %.3f\n", rawList);
    std::fflush(stdout);
    return UnexpectedWindows.empty() ? 0 : 1;
}
