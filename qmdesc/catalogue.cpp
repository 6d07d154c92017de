#include "qmdesc/catalogue.h"

#include <unordered_set>
#include <utility>

#include "descfile/file_io.h"
#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "qmdesc/system.h"
#include "store/tables.h"

std::string ProblemLine(const std::string& what,
                        const std::string& which,
                        const std::string& how,
                        const std::string& reason) {
    return what + " " + which + " " + how + ": " + reason;
}

bool ListCatalogueFolder(LoadedFile& file,
                         std::vector<std::string>& names,
                         std::vector<std::string>* subfolders,
                         std::string& problem) {
    file.folder = CurrentFolderUtf8();
    std::string reason;
    if (!ListFolder(names, subfolders, reason)) {
        problem = ProblemLine("The folder", file.folder, "cannot be listed", reason);
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
    std::string reason;
    std::string raw;
    try {
        if (!ReadWholeFile(CoreFileName(fileName), raw, &file.stamp, &reason)) {
            problem = ProblemLine("The description file", path, "cannot be read", reason);
            return false;
        }
    } catch (const std::exception&) {
        problem = ProblemLine("The description file", path, "cannot be read", OutOfMemoryReason);
        return false;
    }
    file.bytes = raw.size();
    std::string text = DecodeTextMode(raw);
    file.storedFolderName = ExtractBetween(text, "<folder_name>", "</folder_name>");
    // What only check reports is not looked for on find's walk.
    if (forCheck) {
        file.ctrlZ = raw.find('\x1A');
        file.cutOffName = NameInUnclosedBlock(text);
        file.listed = names;
    }
    raw = std::string();
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
        std::string_view name = ViewBetween(LoadedBlocks[i], "<file_name>", "</file_name>");
        entries.push_back(
            {std::string(name),
             TrimText(ViewBetween(LoadedBlocks[i], "<file_description>", "</file_description>")),
             listed.count(name) != 0, !stored.insert(name).second});
    }
    return entries;
}

const char DescriptionFileName[] = "file descriptions.desc";

namespace {

// Where the last separator of path is, if it has one.
size_t LastSeparator(const std::string& path) {
    return path.find_last_of(PathSeparator == '\\' ? "\\/" : "/");
}

}  // namespace

std::string JoinedPath(const std::string& folder, const std::string& name) {
    bool ends = !folder.empty() && LastSeparator(folder) == folder.size() - 1;
    return ends ? folder + name : folder + PathSeparator + name;
}

void ReportProblem(const std::string& problem) {
    WriteError("qmdesc: " + problem + "\n");
}

bool LoadPath(const std::string& path, bool forCheck, bool allowMissing, LoadedFile& file) {
    std::string folder = path, fileName = DescriptionFileName;
    if (!IsFolder(path)) {
        size_t separator = LastSeparator(path);
        fileName = separator == std::string::npos ? path : path.substr(separator + 1);
        folder = separator == std::string::npos ? "." : path.substr(0, separator);
        // The root keeps its separator: "/a.desc" lies in "/", "C:\a.desc" in "C:\".
        if (folder.empty() || (PathSeparator == '\\' && folder.size() == 2 && folder[1] == ':')) {
            folder = path.substr(0, separator + 1);
        }
    }
    std::string reason, problem;
    if (!EnterFolder(folder, reason)) {
        ReportProblem(ProblemLine("The description file", path, "cannot be read", reason));
        return false;
    }
    std::vector<std::string> names;
    if (!ListCatalogueFolder(file, names, nullptr, problem)) {
        ReportProblem(problem);
        return false;
    }
    std::string shownPath = JoinedPath(file.folder, fileName);
    if (allowMissing && !StampOfFile(CoreFileName(fileName)).exists) {
        file.path = shownPath;
        file.fileName = fileName;
        file.isNew = true;
        // An empty description file: every entry listed, none described.
        LoadNextDescriptionTables("<folder_name>", std::move(names));
        return true;
    }
    if (!LoadCatalogue(fileName, shownPath, std::move(names), forCheck, file, problem)) {
        ReportProblem(problem);
        return false;
    }
    return true;
}
