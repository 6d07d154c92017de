#include "descfile/save.h"

#include <string>

#include "app/main_window.h"
#include "descfile/file_io.h"
#include "store/tables.h"

namespace {

// True unless another program changed the description file since this program last read or wrote it
// and the user does not want it replaced. A file that has gone is simply written again.
bool MayReplaceTheFileOnDisk() {
    FileStamp onDisk = StampOfFile(CurrentDescFile);
    if (!onDisk.exists || onDisk == CurrentDescFileStamp) {
        return true;
    }
    return MessageBoxA(MainWindow,
                       "The description file was changed by another program since it was opened. Replace it "
                       "with the descriptions shown here?",
                       "File changed", MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace

SaveResult SaveDescriptionFile() {
    if (EditingEnabled == 1 && !MayReplaceTheFileOnDisk()) {
        return SaveResult::Declined;
    }
    std::string reason;
    SaveResult result = SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason);
    if (result == SaveResult::Failed) {
        std::string message = "The descriptions could not be saved to\n" + CurrentDescFile + "\n\n" + reason +
                              "\n\nThe file keeps its previous content.";
        MessageBoxA(MainWindow, message.c_str(), "Error", MB_ICONERROR);
    }
    return result;
}

bool AskToSaveChanges(HWND owner) {
    if (DirtyFlag != 1) {
        return true;
    }
    int answer = MessageBoxA(owner, "Save changes?", "File not saved", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        return true;
    }
    SaveResult result = SaveDescriptionFile();
    return result != SaveResult::Failed && result != SaveResult::Declined;
}
