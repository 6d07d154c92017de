#include "app/messages.h"

void ShowError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), "Error", MB_ICONERROR);
}

void ShowWarning(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), "Warning", MB_ICONWARNING);
}

void ShowStartUpFailure(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), "Error!", MB_ICONWARNING);
}

bool AskYesNo(HWND owner, const std::string& question, const std::string& caption) {
    return MessageBoxA(owner, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool AskYesNoWarning(HWND owner, const std::string& question, const std::string& caption) {
    return MessageBoxA(owner, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
}

std::string ProblemText(std::string_view what,
                        std::string_view which,
                        std::string_view how,
                        std::string_view why) {
    std::string text;
    for (std::string_view part :
         {what, std::string_view("\n"), which, std::string_view("\n"), how, std::string_view(":\n"), why}) {
        text += part;
    }
    return text;
}
