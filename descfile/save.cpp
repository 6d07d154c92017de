#include "descfile/save.h"

#include <string>

#include "app/main_window.h"
#include "app/messages.h"
#include "descfile/file_io.h"
#include "descfile/writer.h"
#include "store/described_folder.h"
#include "store/tables.h"

namespace {

// True unless another program changed the description file since this program last read or wrote it
// (its size, time or bytes) and the user does not want it replaced. A file that has gone is simply
// written again.
bool MayReplaceTheFileOnDisk() {
    if (!FileChangedSince(CurrentDescFile, CurrentDescFileStamp)) {
        return true;
    }
    return MessageBoxA(MainWindow,
                       "The description file was changed by another program since it was opened. Replace it "
                       "with the descriptions shown here?",
                       "File changed", MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace

SaveOutcome SaveDescriptionFile() {
    if (EditingEnabled != 1) {
        return SaveOutcome::NothingInUse;
    }
    // The file names the folder it describes and lists its entries: both must be the described folder's,
    // not those of another folder that its path now leads to.
    std::string reason;
    if (!EnterKnownFolder(DescribedFolder, reason)) {
        reason = ProblemText("The folder", DescribedFolder.path, "cannot be listed", reason);
    } else if (!MayReplaceTheFileOnDisk()) {
        return SaveOutcome::Declined;
    } else if (SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason) == SaveResult::Saved) {
        return SaveOutcome::Saved;
    }
    ShowError(MainWindow, "The descriptions could not be saved to\n" + CurrentDescFile + "\n\n" + reason +
                              "\n\nThe file keeps its previous content.");
    return SaveOutcome::Failed;
}

bool AskToSaveChanges(HWND owner) {
    if (DirtyFlag != 1) {
        return true;
    }
    int answer = MessageBoxA(owner, "Save changes?", "File not saved", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        return true;
    }
    SaveOutcome outcome = SaveDescriptionFile();
    return outcome == SaveOutcome::Saved || outcome == SaveOutcome::NothingInUse;
}
