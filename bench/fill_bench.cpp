// Times FillFileList with 10^4 rows in the real main window against a bare report-view list filled the
// same way. Google Benchmark is not built for mingw, so each fill is timed with the performance counter,
// repeated, and the fastest repeat kept. Prints a table and one "RESULT name value" line per figure.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "store/folder_list.h"
#include "store/tables.h"

namespace {

constexpr int Rows = 10000;
constexpr int Repeats = 5;

// Milliseconds between two performance counter readings.
double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Dispatches what the fills left in this thread's queue, so one repeat does not pay for the last.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A top-level window of its own class, with a report-view list of the real list's size and columns.
HWND CreateBareList(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QuillmarkBareListFrame";
    RegisterClassExA(&windowClass);
    HWND frame =
        CreateWindowExA(0, windowClass.lpszClassName, "Bare list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                        MainWindowWidth, MainWindowHeight, nullptr, nullptr, instance, nullptr);
    RECT size = {};
    GetClientRect(FileList, &size);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, size.right,
                                size.bottom, frame, reinterpret_cast<HMENU>(1), instance, nullptr);
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

// Fills the bare list from the tables with the same messages FillFileList sends.
void FillBareList(HWND list) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, FileCount, 0);
    LVITEMA item = {};
    for (int i = 0; i < FileCount; ++i) {
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.iSubItem = 0;
        item.pszText = const_cast<char*>(FolderFiles[i].c_str());
        int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        item.iItem = row;
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(FolderDescriptions[i].c_str());
        SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
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

// True when the list shows every table row, checked at its first and last rows.
bool ShowsTheTables(HWND list) {
    return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == FileCount &&
           CellText(list, 0, 0) == FolderFiles[0] &&
           CellText(list, FileCount - 1, 0) == FolderFiles[FileCount - 1] &&
           CellText(list, FileCount - 1, 1) == FolderDescriptions[FileCount - 1];
}

// Fastest of the repeats of a fill, and of a fill followed by a synchronous paint of the list.
struct Timing {
    double fill = 1e30;
    double fillAndPaint = 1e30;
};

// Times one fill of list into best, with only window shown so that neither list is covered by the
// other one's frame when it paints.
template <typename Fill>
void TimeFill(HWND window, HWND hidden, HWND list, Fill fill, Timing& best) {
    ShowWindow(hidden, SW_HIDE);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    LARGE_INTEGER start, filled, painted;
    QueryPerformanceCounter(&start);
    fill();
    QueryPerformanceCounter(&filled);
    UpdateWindow(list);
    QueryPerformanceCounter(&painted);
    best.fill = std::min(best.fill, Milliseconds(start, filled));
    best.fillAndPaint = std::min(best.fillAndPaint, Milliseconds(start, painted));
    PumpMessages();
}

}  // namespace

// Starts the main window, fills both lists Repeats times each and prints the fastest fills.
int main() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!StartMainWindow(instance, SW_SHOWNORMAL)) {
        std::printf("the main window could not be started\n");
        return 1;
    }
    EnableEditing();
    HWND bare = CreateBareList(instance);
    PumpMessages();

    ResetTables();
    for (int i = 1; i <= Rows; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file%05d.txt", i);
        StoreFolderEntry(name, "description " + std::to_string(i));
    }

    // The two fills take turns, so that neither gains from running first or last.
    Timing real;
    Timing plain;
    HWND bareFrame = GetParent(bare);
    for (int repeat = 0; repeat < Repeats; ++repeat) {
        TimeFill(
            MainWindow, bareFrame, FileList, [] { FillFileList(); }, real);
        TimeFill(
            bareFrame, MainWindow, bare, [bare] { FillBareList(bare); }, plain);
    }
    if (!ShowsTheTables(FileList) || !ShowsTheTables(bare)) {
        std::printf("a list does not show the tables after filling\n");
        return 1;
    }

    std::printf("list fill, %d rows, fastest of %d     program ms   bare ms   ratio\n", Rows, Repeats);
    std::printf("fill                                  %10.2f %9.2f %7.2f\n", real.fill, plain.fill,
                real.fill / plain.fill);
    std::printf("fill and paint                        %10.2f %9.2f %7.2f\n", real.fillAndPaint,
                plain.fillAndPaint, real.fillAndPaint / plain.fillAndPaint);
    std::printf("RESULT fill_program_ms %.3f\n", real.fill);
    std::printf("RESULT fill_bare_ms %.3f\n", plain.fill);
    std::printf("RESULT fill_paint_program_ms %.3f\n", real.fillAndPaint);
    std::printf("RESULT fill_paint_bare_ms %.3f\n", plain.fillAndPaint);
    std::fflush(stdout);
    DestroyWindow(bareFrame);
    DestroyWindow(MainWindow);
    return 0;
}
