#include "descfile/save.h"

#include <string>

#include "app/main_window.h"
#include "descfile/file_io.h"
#include "store/described_folder.h"
#include "store/tables.h"

namespace {

// True unless another program changed the description file since this program last read or wrote it
// (its size, time or bytes) and the user does not want it replaced. A file that has gone is simply
// written again.
bool MayReplaceTheFileOnDisk() {
    if (!DescriptionFileChangedOnDisk()) {
        return true;
    }
    return MessageBoxA(MainWindow,
                       "The description file was changed by another program since it was opened. Replace it "
                       "with the descriptions shown here?",
                       "File changed", MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace

SaveResult SaveDescriptionFile() {
    std::string reason;
    SaveResult result = SaveResult::Failed;
    // The file names the folder it describes and lists its entries: both must be the described folder's,
    // not those of another folder that its path now leads to.
    if (EditingEnabled == 1 && !EnterKnownFolder(DescribedFolder, reason)) {
        reason = "The folder\n" + DescribedFolder.path + "\ncannot be listed:\n" + reason;
    } else if (EditingEnabled == 1 && !MayReplaceTheFileOnDisk()) {
        return SaveResult::Declined;
    } else {
        result = SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason);
    }
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
