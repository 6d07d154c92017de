// The main window: its handles, start-up, layout, the editing state and the file list's colours.
#pragma once

#include <windows.h>

#include <string>

// The top-level window; set once it has been shown.
extern HWND MainWindow;
// New, Open and Save buttons; null when it could not be created.
extern HWND Toolbar;
// "Loaded" in part 0, the file count in part 1.
extern HWND StatusBar;
// Read-only edit showing the folder being described.
extern HWND WorkingDirEdit;
// Group boxes "Working directory", "Files in folder" and "Folder description" around the controls.
extern HWND WorkingDirGroup;
extern HWND FilesGroup;
extern HWND FolderDescriptionGroup;
// Multi-line edit holding the folder description.
extern HWND FolderDescriptionEdit;
// Two-column list of the folder's entries and their descriptions; row r shows table slot r.
extern HWND FileList;

// Size of the main window at start-up.
constexpr int MainWindowWidth = 685;
constexpr int MainWindowHeight = 525;

// Registers the window class and creates, greys and shows the main window; reports a failure in a
// message box and returns false.
bool StartMainWindow(HINSTANCE instance, int showCommand);

// Runs the message loop until WM_QUIT; returns its wParam.
int RunMessageLoop();

// The reference window's client rectangle with left and top moved so that a window of the given size
// is centred on it.
RECT CentreOnDesktop(HWND reference, int width, int height);

// The main window's procedure: dispatches each message to its handler.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Places the child controls for the main window's current client area.
void LayoutChildren(HWND window);

// Enables the list, both edits and the Save descriptions and View code menu items; sets EditingEnabled.
void EnableEditing();

// Disables the list and both edits.
void DisableEditing();

// Answers the file list's custom-draw notifications: the Filename and Description columns get their
// background colours.
LRESULT FileListCustomDraw(LPARAM notification);

// The file list's selected row; -1 when no row is selected.
int SelectedFileListRow();

// The whole text of a window or control.
std::string ControlText(HWND control);

// Lets a text box hold as much text as memory allows, rather than the 30,000 characters or so an edit
// control takes at first and cuts a paste to without a word.
void LiftTextLimit(HWND box);

// Says in a message box that a text box could not take all of a paste or typing (EN_MAXTEXT, EN_ERRSPACE
// in code), so that nothing is cut without a word; other codes are ignored.
void ReportTextThatDidNotFit(HWND owner, WORD code);

// Puts text into the folder description box without taking it for the user's edit.
void ShowFolderDescription(const std::string& text);

// The program's icon at 16 x 16 pixels, for title bars: one icon for the whole run.
HICON LoadSmallIcon();

// Sets the main window's title to "Quillmark - " and the description file's path.
void ShowDescriptionFileTitle(const std::string& path);
