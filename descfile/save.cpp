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
    return AskYesNoWarning(MainWindow,
                           "The description file was changed by another program since it was opened. Replace "
                           "it with the descriptions shown here?",
                           "File changed");
}

}  // namespace

SaveOutcome SaveDescriptionFile() {
    if (EditingEnabled != 1) {
        return SaveOutcome::NothingInUse;
    }
    // The file names the folder it describes and lists its entries: both must be the described folder's,
    // not those of another folder that its path now leads to.
    std::string reason;
    SaveResult result = SaveResult::Failed;
    if (!EnterKnownFolder(DescribedFolder, reason)) {
        reason = ProblemText("The folder", DescribedFolder.path, "cannot be listed", reason);
    } else if (!MayReplaceTheFileOnDisk()) {
        return SaveOutcome::Declined;
    } else if ((result = SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason)) ==
               SaveResult::Saved) {
        return SaveOutcome::Saved;
    }
    // A file that could not be put back has no previous content under its name: the reason says where.
    ShowError(MainWindow,
              "The descriptions could not be saved to\n" + CurrentDescFile + "\n\n" + reason +
                  (result == SaveResult::BothKept ? "" : "\n\nThe file keeps its previous content."));
    return SaveOutcome::Failed;
}

bool AskToSaveChanges(HWND owner) {
    if (DirtyFlag != 1) {
        return true;
    }
    if (!AskYesNo(owner, "Save changes?", "File not saved")) {
        return true;
    }
    SaveOutcome outcome = SaveDescriptionFile();
    return outcome == SaveOutcome::Saved || outcome == SaveOutcome::NothingInUse;
}

bool SaveWithoutAsking() {
    std::string reason;
    return DirtyFlag == 1 && EnterKnownFolder(DescribedFolder, reason) && !DescriptionFileChangedOnDisk() &&
           SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason) == SaveResult::Saved;
}
