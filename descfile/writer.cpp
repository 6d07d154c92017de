#include "descfile/writer.h"

#include <algorithm>
#include <exception>

#include "descfile/file_io.h"
#include "descfile/markers.h"
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
    // Each of the layout's lines ends with CR LF; "\r\n\r\n" is a line and the empty line after it.
    const std::string_view lineEnd = "\r\n", emptyLine = "\r\n\r\n";
    out.append(XmlDeclaration).append(emptyLine).append(RootOpen).append(emptyLine).append(FolderNameOpen);
    AppendLines(out, folderPath);
    out.append(FolderNameClose).append(emptyLine);
    if (!folderDescription.empty()) {
        out.append(FolderDescriptionOpen).append(lineEnd);
        AppendLines(out, TrimView(folderDescription), true);
        out.append(lineEnd).append(FolderDescriptionClose).append(lineEnd);
    }
    for (int i = 0; i < count; ++i) {
        if (descriptions[i].empty()) {
            continue;
        }
        out.append(lineEnd).append(FileOpen).append(lineEnd).append(FileNameOpen);
        // A name is written exactly as listed: the reader compares names untrimmed.
        AppendLines(out, files[i]);
        out.append(FileNameClose).append(lineEnd).append(FileDescriptionOpen).append(lineEnd);
        AppendLines(out, TrimView(descriptions[i]), true);
        out.append(lineEnd).append(FileDescriptionClose).append(lineEnd).append(FileClose).append(lineEnd);
    }
    out.append(lineEnd).append(RootClose);
    return out;
}

bool FileChangedSince(const std::string& path, const FileStamp& stamp) {
    FileStamp onDisk = StampOfFile(path);
    if (!onDisk.exists) {
        return false;
    }
    // Another size or time needs no reading; the same ones may still hide other bytes.
    onDisk.digest = stamp.digest;
    if (onDisk != stamp) {
        return true;
    }
    std::string bytes;
    try {
        return !ReadWholeFile(path, bytes, &onDisk, nullptr) || onDisk != stamp;
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
