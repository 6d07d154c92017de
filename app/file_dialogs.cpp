#include "app/file_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <string>

#include "app/messages.h"
#include "app/seams.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"

namespace {

// What a file dialog's own error (CommDlgExtendedError) means for the user.
std::string DialogErrorText(DWORD error) {
    if (error == FNERR_BUFFERTOOSMALL) {
        return "The path chosen is too long: Quillmark takes paths of up to " + std::to_string(MAX_PATH - 1) +
               " characters.";
    }
    char code[16];
    wsprintfA(code, "0x%04lX", static_cast<unsigned long>(error));
    return std::string("The file dialog failed (common dialog error ") + code + ").";
}

}  // namespace

bool ChooseDescriptionFile(FileDialogKind kind, HWND owner, char* path, KnownFolder& chosen) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Description XML .desc files\0*.desc\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = kind == FileDialogKind::Save ? "desc" : "*.desc";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

    // The dialogs may move the current directory even when cancelled. The described folder changes only
    // with a chosen file, and then to that file's folder whatever the dialog did.
    std::string previousFolder = CurrentFolderPath();
    auto goBack = [&previousFolder]() {
        if (DescribedFolder.path.empty()) {
            ChangeCurrentFolder(previousFolder);
        } else {
            ReturnToDescribedFolder();
        }
    };
    BOOL answered = kind == FileDialogKind::Save ? SaveDialogSeam(&dialog) : OpenDialogSeam(&dialog);
    DWORD error = answered ? 0 : DialogErrorSeam();
    if (!answered || path[0] == '\0') {
        goBack();
        if (error != 0) {
            ShowError(owner, DialogErrorText(error) + "\n\nNothing was changed.");
        }
        return false;
    }
    // The folder entered must be the one of that name: the ANSI functions cannot enter a name outside
    // the code page, and Windows enters "Garden" for "Garden " (its trailing blank dropped).
    std::string folder = ExtractFolderPath(path);
    std::string reason;
    if (!KnowFolder(folder, chosen, reason) || !EnterKnownFolder(chosen, reason)) {
        goBack();
        ShowError(owner,
                  ProblemText("The folder", folder, "cannot be used", reason) + "\n\nNothing was changed.");
        return false;
    }
    return true;
}
