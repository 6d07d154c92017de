// Ids of the program's resources, commands and controls, shared by quillmark.rc and the code.
#pragma once

// Menus and icons
#define IDR_MAIN_MENU 2
#define IDI_QUILLMARK 13

// Dialogs
#define IDD_FILE_DESCRIPTION 17
#define IDD_ABOUT 30

// Commands of the main window's menu and toolbar
#define IDM_NEW_DESCRIPTION_FILE 3
#define IDM_OPEN_DESCRIPTION_FILE 4
#define IDM_SAVE_DESCRIPTIONS 5
#define IDM_VIEW_CODE 24
#define IDM_ABOUT 25
// Sent by nothing inside the program: opens the project's web page
#define IDM_OPEN_WEB_PAGE 29

// Commands of the file list's context menu
#define IDM_SET_DESCRIPTION 26
#define IDM_DELETE_FILE 27
#define IDM_REFRESH_FOLDER 28

// Controls of the main window
#define IDC_WORKING_DIR_EDIT 1
#define IDC_FILE_LIST 7
#define IDC_WORKING_DIR_GROUP 12
#define IDC_FOLDER_DESCRIPTION_GROUP 14
#define IDC_FOLDER_DESCRIPTION_EDIT 15
#define IDC_FILES_GROUP 16
#define IDC_TOOLBAR 21
#define IDC_STATUS_BAR 22

// Controls of the dialogs
#define IDC_ABOUT_CREDITS 19
#define IDC_ABOUT_OK 31
#define IDC_FILE_DESCRIPTION_EDIT 20
#define IDC_OPEN_FILE 23
