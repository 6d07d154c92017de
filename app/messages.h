// The program's messages to the user: every message box it shows is built here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Shows text in a message box with the caption "Error" and the error icon, owned by owner.
void ShowError(HWND owner, const std::string& text);

// Shows text in a message box with the caption "Warning" and the warning icon, owned by owner.
void ShowWarning(HWND owner, const std::string& text);

// Shows why the program could not start, in a box of no owner with the caption "Error!" and the warning
// icon: there is no window to own it.
void ShowStartUpFailure(const std::string& text);

// Asks a Yes / No question with the question icon, owned by owner; true for Yes.
bool AskYesNo(HWND owner, const std::string& question, const std::string& caption);

// Asks a Yes / No question with the warning icon, for one whose Yes loses something; true for Yes.
bool AskYesNoWarning(HWND owner, const std::string& question, const std::string& caption);

// The text that names what failed, which file or folder, how and why, one to a line:
// "The folder\nC:\\Photos\ncannot be listed:\nThe system cannot find the path specified."
std::string ProblemText(std::string_view what,
                        std::string_view which,
                        std::string_view how,
                        std::string_view why);
