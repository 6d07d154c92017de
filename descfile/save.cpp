#include "descfile/save.h"

#include <string>

#include "app/main_window.h"
#include "app/messages.h"
#include "descfile/file_io.h"
#include "descfile/writer.h"
#include "store/described_folder.h"
#include "store/tables.h"

namespace {

// Whether a save may go on replacing the description file.
enum class Replacing { Go, Declined, Failed };

// Takes the writers' lock of the description file in use, so that no other writer (qmdesc, another
// window) reads or replaces it until this save is done, and tells whether the file may be replaced: yes
// unless another program changed it since this program last read or wrote it and the user, when asked,
// does not want it replaced (without asking: no). The question is asked without the lock, so that other
// writers do not wait on the user; after a Yes the lock is taken again and the file checked again,
// against the version the user was told of. A file that has gone is simply written again.
Replacing LockForReplacing(WriterLock& lock, bool ask, std::string& reason) {
    FileStamp accepted = CurrentDescFileStamp;
    for (;;) {
        if (!lock.Take(DescribedFolder, CurrentDescFileName, reason)) {
            return Replacing::Failed;
        }
        if (!FileChangedSince(CurrentDescFile, accepted)) {
            return Replacing::Go;
        }
        std::string bytes;
        if (!ask || !ReadWholeFile(CurrentDescFile, bytes, &accepted, nullptr)) {
            return Replacing::Declined;
        }
        lock.Release();
        if (!AskYesNoWarning(MainWindow,
                             "The description file was changed by another program since it was opened. "
                             "Replace it with the descriptions shown here?",
                             "File changed")) {
            return Replacing::Declined;
        }
    }
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
    WriterLock lock;
    if (!EnterKnownFolder(DescribedFolder, reason)) {
        reason = ProblemText("The folder", DescribedFolder.path, "cannot be listed", reason);
    } else {
        switch (LockForReplacing(lock, true, reason)) {
            case Replacing::Declined:
                return SaveOutcome::Declined;
            case Replacing::Failed:
                break;
            case Replacing::Go:
                result = SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason);
                if (result == SaveResult::Saved) {
                    return SaveOutcome::Saved;
                }
        }
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
    WriterLock lock;
    return DirtyFlag == 1 && EnterKnownFolder(DescribedFolder, reason) &&
           LockForReplacing(lock, false, reason) == Replacing::Go &&
           SaveDescriptionTables(ControlText(FolderDescriptionEdit), reason) == SaveResult::Saved;
}
