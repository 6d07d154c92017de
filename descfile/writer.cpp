#include "descfile/writer.h"

#include "descfile/file_io.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// Appends text with every LF written as CR LF and nothing else changed.
void AppendLines(std::string& out, std::string_view text) {
    size_t start = 0;
    for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
        out.append(text.data() + start, lf - start);
        out += "\r\n";
        start = lf + 1;
    }
    out.append(text.data() + start, text.size() - start);
}

}  // namespace

std::string FormatDescriptionFile(std::string_view folderPath,
                                  std::string_view folderDescription,
                                  const std::vector<std::string>& files,
                                  const std::vector<std::string>& descriptions,
                                  int count) {
    std::string out;
    out.reserve(256);
    AppendLines(out, "<?xml version=\"1.0\"?>\n\n<file_description_data>\n\n<folder_name>");
    AppendLines(out, folderPath);
    AppendLines(out, "</folder_name>\n\n");
    if (!folderDescription.empty()) {
        AppendLines(out, "<folder_description>\n");
        AppendLines(out, TrimText(folderDescription));
        AppendLines(out, "\n</folder_description>\n");
    }
    for (int i = 0; i < count; ++i) {
        if (descriptions[i].empty()) {
            continue;
        }
        AppendLines(out, "\n<file>\n<file_name>");
        AppendLines(out, TrimText(files[i]));
        AppendLines(out, "</file_name>\n<file_description>\n");
        AppendLines(out, TrimText(descriptions[i]));
        AppendLines(out, "\n</file_description>\n</file>\n");
    }
    AppendLines(out, "\n</file_description_data>");
    return out;
}

SaveResult SaveTablesToDescriptionFile(const std::string& folderBoxText) {
    if (EditingEnabled != 1) {
        return SaveResult::NotEditing;
    }
    SavedFlag = 1;
    // An emptied box keeps the folder description that was loaded or saved before.
    if (!folderBoxText.empty()) {
        FolderDescription = folderBoxText;
    }
    std::string bytes = FormatDescriptionFile(CurrentFolderPath(), FolderDescription, FolderFiles,
                                              FolderDescriptions, FileCount);
    if (!ReplaceFileContent(CurrentDescFile, bytes)) {
        return SaveResult::Failed;
    }
    DirtyFlag = 0;
    return SaveResult::Saved;
}
