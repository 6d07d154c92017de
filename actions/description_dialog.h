// The File description dialog.
#pragma once

#include <windows.h>

// The dialog's edit box, created when the dialog opens.
extern HWND FileDescriptionEdit;

// Sets SelectedIndex from the file list's selection and, when a row is selected, shows the File
// description dialog for it, owned by owner.
void OpenFileDescriptionDialog(HWND owner);

// Procedure of dialog 17: shows and edits FolderDescriptions[SelectedIndex]; closing stores the text.
INT_PTR CALLBACK FileDescriptionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the text of an open File description dialog into the tables as closing it would, and leaves it
// open; does nothing while none is open.
void KeepOpenDescriptionText();
