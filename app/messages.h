// The program's messages to the user: errors and warnings in message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Shows text in a message box with the caption "Error" and the error icon, owned by owner.
void ShowError(HWND owner, const std::string& text);

// Shows text in a message box with the caption "Warning" and the warning icon, owned by owner.
void ShowWarning(HWND owner, const std::string& text);

// The text that names what failed, which file or folder, how and why, one to a line:
// "The folder\nC:\\Photos\ncannot be listed:\nThe system cannot find the path specified."
std::string ProblemText(std::string_view what,
                        std::string_view which,
                        std::string_view how,
                        std::string_view why);
