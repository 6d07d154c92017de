#include "qmdesc/writes.h"

#include <unordered_set>

#include "descfile/text_helpers.h"
#include "descfile/writer.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/system.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// The slot of the listed entry of that name (code-page bytes), or -1.
int ListedIndex(const std::string& name) {
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == name) {
            return i;
        }
    }
    return -1;
}

// A name given on the command line as the folder spells it: the code page's bytes.
std::string NameOfArgument(const std::string& utf8) {
    return CodePageOfUtf8(utf8);
}

// Writes the tables back over the file as the window program's Save does: the folder's entries in
// listing order, then, unless dropGone, the stored descriptions of entries that are gone, in file order
// and named on standard error; dropped, a stored name whose block goes. Refuses a file another program
// changed since it was read. Returns the exit code.
int WriteCatalogue(const LoadedFile& file, bool dropGone, const std::string& dropped = std::string()) {
    std::vector<std::string> names(FolderFiles.begin(), FolderFiles.begin() + FileCount);
    std::vector<std::string> descriptions(FolderDescriptions.begin(), FolderDescriptions.begin() + FileCount);
    std::unordered_set<std::string> seen;
    std::string notes;  // said once the file is written, since a failed write keeps and drops nothing
    for (CatalogueEntry& entry : StoredEntries()) {
        // Only the first block of a name counts, as when the file is read.
        if (!seen.insert(entry.name).second || entry.exists || entry.description.empty() ||
            entry.name == dropped) {
            continue;
        }
        if (dropGone) {
            ReportProblem("dropped the description of " + Utf8OfCodePage(entry.name) +
                          ", which is not in the folder");
            continue;
        }
        notes += "qmdesc: kept the description of " + Utf8OfCodePage(entry.name) +
                 ", which is not in the folder (--drop-gone drops it)\n";
        names.push_back(std::move(entry.name));
        descriptions.push_back(std::move(entry.description));
    }
    std::string folderName = StoresFolderPath || file.isNew ? CurrentFolderPath() : file.storedFolderName;
    std::string bytes = FormatDescriptionFile(folderName, FolderDescription, names, descriptions,
                                              static_cast<int>(names.size()));
    std::string target = JoinedPath(CurrentFolderPath(), CoreFileName(file.fileName));
    CurrentDescFile = target;
    CurrentDescFileStamp = file.stamp;
    bool changed = file.isNew ? StampOfFile(target).exists : DescriptionFileChangedOnDisk();
    if (changed) {
        ReportProblem("The description file " + file.path +
                      " was changed by another program since qmdesc read it; nothing was written. Run qmdesc "
                      "again.");
        return 2;
    }
    std::string reason;
    if (!ReplaceFileContent(target, bytes, reason)) {
        ReportProblem(ProblemLine("The description file", file.path, "cannot be written", reason));
        return 2;
    }
    WriteError(notes);
    return 0;
}

// The description as the description dialog stores it: every line break CR LF. False when the code
// page cannot hold the text.
bool StoredText(const std::string& utf8, std::string& text) {
    std::string bytes;
    if (!ExactCodePageOfUtf8(utf8, bytes)) {
        return false;
    }
    text.clear();
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            text += '\r';
        }
        text += bytes[i];
    }
    return true;
}

}  // namespace

int SetDescription(const std::vector<std::string>& operands, const WriteOptions& options) {
    LoadedFile file;
    if (!LoadPath(operands[0], false, true, file)) {
        return 2;
    }
    std::string name = NameOfArgument(operands[1]), text;
    int index = ListedIndex(name);
    if (index < 0) {
        ReportProblem(operands[1] + " is not in the folder " + file.folder);
        return 2;
    }
    if (!StoredText(operands[2] == "-" ? ReadStandardInput() : operands[2], text)) {
        ReportProblem("the description of " + operands[1] + " holds a character the code page cannot hold");
        return 2;
    }
    // A write that would change nothing writes nothing: the file and its time stay as they were.
    if (TrimText(text) == FolderDescriptions[index]) {
        return 0;
    }
    FolderDescriptions[index] = TrimText(text).empty() ? std::string() : text;
    return WriteCatalogue(file, options.dropGone);
}

int Relink(const std::vector<std::string>& operands, const WriteOptions& options) {
    LoadedFile file;
    if (!LoadPath(operands[0], false, false, file)) {
        return 2;
    }
    std::string oldName = NameOfArgument(operands[1]), newName = NameOfArgument(operands[2]);
    std::string description;
    bool found = false;
    for (const CatalogueEntry& entry : StoredEntries()) {
        if (entry.name == oldName && !entry.exists) {
            description = entry.description;
            found = true;
            break;
        }
    }
    if (!found) {
        ReportProblem(operands[1] + " is no stored name whose entry is gone (qmdesc check lists those)");
        return 2;
    }
    int index = ListedIndex(newName);
    if (index < 0) {
        ReportProblem(operands[2] + " is not in the folder " + file.folder);
        return 2;
    }
    if (!FolderDescriptions[index].empty() && !options.overwrite) {
        ReportProblem(operands[2] + " has a description already; --overwrite replaces it");
        return 2;
    }
    FolderDescriptions[index] = description;
    return WriteCatalogue(file, options.dropGone, oldName);
}
