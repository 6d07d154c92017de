#include "descfile/writer.h"

#include <algorithm>
#include <exception>

#include "descfile/file_io.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// Appends text with every LF written as CR LF. A Ctrl+Z byte is written as a space when asked: a reader
// in text mode stops at one, and every description after it would be lost.
void AppendLines(std::string& out, std::string_view text, bool ctrlZAsSpace = false) {
    size_t before = out.size();
    size_t start = 0;
    for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
        out.append(text.data() + start, lf - start);
        out += "\r\n";
        start = lf + 1;
    }
    out.append(text.data() + start, text.size() - start);
    if (ctrlZAsSpace && text.find('\x1A') != std::string_view::npos) {
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), '\x1A', ' ');
    }
}

}  // namespace

std::string FormatDescriptionFile(std::string_view folderPath,
                                  std::string_view folderDescription,
                                  const std::vector<std::string>& files,
                                  const std::vector<std::string>& descriptions,
                                  int count) {
    // The structure's own line ends are written as CR LF directly; only the values are translated.
    size_t size = 160 + folderPath.size() + folderDescription.size();
    for (int i = 0; i < count; ++i) {
        if (!descriptions[i].empty()) {
            size += 100 + files[i].size() + descriptions[i].size();
        }
    }
    std::string out;
    out.reserve(size + size / 16);
    out += "<?xml version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>";
    AppendLines(out, folderPath);
    out += "</folder_name>\r\n\r\n";
    if (!folderDescription.empty()) {
        out += "<folder_description>\r\n";
        AppendLines(out, TrimView(folderDescription), true);
        out += "\r\n</folder_description>\r\n";
    }
    for (int i = 0; i < count; ++i) {
        if (descriptions[i].empty()) {
            continue;
        }
        out += "\r\n<file>\r\n<file_name>";
        // A name is written exactly as listed: the reader compares names untrimmed.
        AppendLines(out, files[i]);
        out += "</file_name>\r\n<file_description>\r\n";
        AppendLines(out, TrimView(descriptions[i]), true);
        out += "\r\n</file_description>\r\n</file>\r\n";
    }
    out += "\r\n</file_description_data>";
    return out;
}

bool DescriptionFileChangedOnDisk() {
    FileStamp onDisk = StampOfFile(CurrentDescFile);
    if (!onDisk.exists) {
        return false;
    }
    // Another size or time needs no reading; the same ones may still hide other bytes.
    onDisk.digest = CurrentDescFileStamp.digest;
    if (onDisk != CurrentDescFileStamp) {
        return true;
    }
    std::string bytes;
    try {
        return !ReadWholeFile(CurrentDescFile, bytes, &onDisk, nullptr) || onDisk != CurrentDescFileStamp;
    } catch (const std::exception&) {  // too large to read: not what was written here
        return true;
    }
}

SaveResult SaveDescriptionTables(const std::string& folderBoxText, std::string& reason) {
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
    bool bothKept = false;
    if (!ReplaceFileContent(CurrentDescFile, bytes, reason, &bothKept)) {
        return bothKept ? SaveResult::BothKept : SaveResult::Failed;
    }
    CurrentDescFileStamp = StampOfFile(CurrentDescFile);
    CurrentDescFileStamp.digest = DigestOfBytes(bytes);
    DirtyFlag = 0;
    return SaveResult::Saved;
}
