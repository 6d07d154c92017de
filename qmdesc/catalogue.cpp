#include "qmdesc/catalogue.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>
#include <utility>

#include "descfile/file_io.h"
#include "descfile/markers.h"
#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "qmdesc/formats.h"
#include "qmdesc/system.h"
#include "store/folder_scan.h"
#include "store/tables.h"

std::string ProblemLine(const std::string& what,
                        const std::string& which,
                        const std::string& how,
                        const std::string& reason) {
    return what + " " + which + " " + how + ": " + reason;
}

bool ListCatalogueFolder(const std::string& folder,
                         std::vector<std::string>& names,
                         std::vector<std::string>* subfolders,
                         std::string& problem) {
    std::string reason;
    if (!ListFolder(names, subfolders, reason)) {
        problem = ProblemLine("The folder", folder, "cannot be listed", reason);
        return false;
    }
    return true;
}

bool LoadCatalogue(const std::string& fileName,
                   const std::string& path,
                   std::vector<std::string> names,
                   bool forCheck,
                   LoadedFile& file,
                   std::string& problem) {
    file.path = path;
    file.fileName = fileName;
    std::string reason, text;
    size_t textEnd = 0;
    // The code page must spell the name: its ANSI spelling may be another file's.
    if (!SpelledInCodePage(fileName, reason) ||
        !ReadDescriptionText(CoreFileName(fileName), text, &file.stamp, &reason, &textEnd)) {
        problem = ProblemLine("The description file", path, "cannot be read", reason);
        return false;
    }
    file.bytes = file.stamp.size;
    file.storedFolderName = ExtractBetween(text, FolderNameOpen, FolderNameClose);
    // What only check reports is not looked for on find's walk.
    if (forCheck) {
        file.ctrlZ = textEnd < file.bytes ? textEnd : std::string::npos;
        file.cutOffName = NameInUnclosedBlock(text);
        file.listed = names;
        file.text = text;
    }
    switch (LoadNextDescriptionTables(std::move(text), std::move(names))) {
        case LoadResult::NotADescriptionFile:
            problem = "Not a valid description file: " + path;
            return false;
        case LoadResult::OutOfMemory:
            problem = ProblemLine("The description file", path, "cannot be read", OutOfMemoryReason);
            return false;
        case LoadResult::Loaded:
            break;
    }
    file.storedFolderDescription = FolderDescription;
    return true;
}

std::vector<CatalogueEntry> ShownEntries() {
    std::vector<CatalogueEntry> entries;
    entries.reserve(FileCount);
    for (int i = 0; i < FileCount; ++i) {
        entries.push_back({FolderFiles[i], FolderDescriptions[i], true});
    }
    return entries;
}

std::vector<CatalogueEntry> StoredEntries() {
    std::unordered_set<std::string_view> listed(FolderFiles.begin(), FolderFiles.begin() + FileCount), stored;
    std::vector<CatalogueEntry> entries;
    entries.reserve(BlockCount);
    for (int i = 0; i < BlockCount; ++i) {
        StoredBlock block = FieldsOfBlock(LoadedBlocks[i]);
        entries.push_back({std::string(block.name), TrimText(block.description),
                           listed.count(block.name) != 0, !stored.insert(block.name).second});
    }
    return entries;
}

const char DescriptionFileName[] = "file descriptions.desc";

bool IsDescriptionFileName(const std::string& name) {
    if (!NamesIgnoreCase) {
        return name == DescriptionFileName;
    }
    std::string_view wanted = DescriptionFileName;
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string ShownPath(const std::string& folder, const std::string& name) {
    return JoinedPath(folder, name, PathSeparator);
}

void ReportProblem(const std::string& problem) {
    static const bool terminal = ErrorIsTerminal();
    WriteError("qmdesc: " + (terminal ? ShownOnTerminal(problem) : problem) + "\n");
}

namespace {

// True when a file of that name may be made as a description file: the window's own extension.
bool HasDescriptionExtension(const std::string& name) {
    const std::string extension = ".desc";
    return name.size() > extension.size() &&
           std::equal(extension.rbegin(), extension.rend(), name.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// Knows the folder of path, a description file's or a folder's, and the file's name in it; false with
// why.
bool KnowFolderOfPath(const std::string& path, LoadedFile& file, std::string& reason) {
    file.fileName = DescriptionFileName;
    if (KnowFolderAsGiven(path, file.known, reason)) {
        return true;
    }
    // Not a folder: a description file in the folder its path names, or the current one.
    file.fileName = path.substr(path.find_last_of(PathSeparators) + 1);
    std::string folder = FolderOfPath(path, PathSeparators);
    return KnowFolderAsGiven(folder.empty() ? "." : folder, file.known, reason);
}

}  // namespace

bool LoadPath(const std::string& path, FileUse use, LoadedFile& file) {
    std::string reason, problem;
    bool writes = use == FileUse::Change || use == FileUse::Create;
    if (writes && !WritesInCodePage(reason)) {
        ReportProblem(reason);
        return false;
    }
    if (!KnowFolderOfPath(path, file, reason)) {
        ReportProblem(ProblemLine("The description file", path, "cannot be read", reason));
        return false;
    }
    file.folder = file.known.path;
    // What the window program cannot describe, qmdesc does not write: not in it, nor in the folder its
    // ANSI spelling would reach.
    if (writes && !FolderCanBeDescribed(file.known, reason)) {
        ReportProblem(ProblemLine("The folder", file.folder, "cannot be used", reason));
        return false;
    }
    if (!EnterKnownFolder(file.known, reason)) {
        ReportProblem(ProblemLine("The description file", path, "cannot be read", reason));
        return false;
    }
    // A writer reads, checks and replaces the file alone: another writer's change is never lost.
    if (writes) {
        file.lock = std::make_unique<WriterLock>();
        if (!file.lock->Take(file.known, CoreFileName(file.fileName), reason)) {
            ReportProblem(ProblemLine("The description file", ShownPath(file.folder, file.fileName),
                                      "cannot be written", reason));
            return false;
        }
    }
    std::vector<std::string> names;
    if (!ListCatalogueFolder(file.folder, names, nullptr, problem)) {
        ReportProblem(problem);
        return false;
    }
    std::string shownPath = ShownPath(file.folder, file.fileName);
    bool missing = !StampOfFile(CoreFileName(file.fileName)).exists;
    // show lists a folder without a description file as one whose entries have none.
    bool showsMissing = use == FileUse::Show && file.fileName == DescriptionFileName;
    if ((use == FileUse::Create || showsMissing) && missing) {
        if (file.fileName != DescriptionFileName && !HasDescriptionExtension(file.fileName)) {
            ReportProblem(path + " does not exist");
            return false;
        }
        file.path = shownPath;
        file.isNew = true;
        StartNewDescriptionTables(std::move(names));
        if (showsMissing) {
            FolderDescription.clear();
        }
        return true;
    }
    if (!LoadCatalogue(file.fileName, shownPath, std::move(names), use == FileUse::Check, file, problem)) {
        ReportProblem(problem);
        return false;
    }
    return true;
}

bool StillInFolderOf(const LoadedFile& file) {
    std::string reason;
    if (InKnownFolder(file.known, reason)) {
        return true;
    }
    ReportProblem(ProblemLine("The folder", file.folder, "cannot be used", reason) + "; nothing was written");
    return false;
}
