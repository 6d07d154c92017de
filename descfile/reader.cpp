#include "descfile/reader.h"

#include <unordered_map>
#include <utility>

#include "descfile/file_io.h"
#include "descfile/text_helpers.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// Stored name -> index of the first block that carries it, for LoadedBlocks[0 .. BlockCount).
std::unordered_map<std::string, int> BlockOfName;

}  // namespace

std::string DecodeTextMode(std::string_view raw) {
    size_t end = raw.find('\x1A');
    if (end == std::string_view::npos) {
        end = raw.size();
    }
    std::string text;
    text.reserve(end);
    size_t start = 0;
    for (size_t cr = raw.find('\r'); cr < end; cr = raw.find('\r', start)) {
        if (cr + 1 < end && raw[cr + 1] == '\n') {
            text.append(raw.data() + start, cr - start);
            start = cr + 1;
        } else {
            text.append(raw.data() + start, cr + 1 - start);
            start = cr + 1;
        }
    }
    text.append(raw.data() + start, end - start);
    return text;
}

bool ReadDescriptionText(const std::string& path, std::string& text) {
    std::string raw;
    if (!ReadWholeFile(path, raw)) {
        return false;
    }
    text = DecodeTextMode(raw);
    return true;
}

void ScanFileBlocks(std::string_view text) {
    static constexpr std::string_view Open = "<file>";
    static constexpr std::string_view Close = "</file>";
    if (BlockCount == 0) {
        BlockOfName.clear();
    }
    // Every block that starts before a given "</file>" ends there, so the closing marker is searched
    // for again only once the scan has passed it; that keeps a file full of "<file>" linear.
    size_t close = 0;
    bool closeFound = false;
    for (size_t p = text.find(Open); p != std::string_view::npos; p = text.find(Open, p + 1)) {
        if (!closeFound || close < p) {
            close = text.find(Close, p);
            closeFound = true;
        }
        if (close == std::string_view::npos) {
            break;
        }
        std::string_view block = text.substr(p + Open.size(), close - p - Open.size());
        BlockOfName.emplace(std::string(ViewBetween(block, "<file_name>", "</file_name>")), BlockCount);
        StoreLoadedBlock(std::string(block));
    }
}

std::string LookUpStoredDescription(const std::string& name) {
    auto it = BlockOfName.find(name);
    if (it == BlockOfName.end() || it->second >= BlockCount) {
        return std::string();
    }
    const std::string& block = LoadedBlocks[it->second];
    // The index may outlive a ResetTables; only a block that really carries the name answers.
    if (ViewBetween(block, "<file_name>", "</file_name>") != name) {
        return std::string();
    }
    return TrimText(ViewBetween(block, "<file_description>", "</file_description>"));
}

void MergeFolderEntries() {
    for (std::string& name : ListCurrentFolder()) {
        std::string description = LookUpStoredDescription(name);
        StoreFolderEntry(std::move(name), std::move(description));
    }
}

bool IsDescriptionText(std::string_view text) {
    return text.find("<folder_name>") != std::string_view::npos;
}

bool LoadDescriptionTables(std::string_view text) {
    if (!IsDescriptionText(text)) {
        return false;
    }
    ResetTables();
    ScanFileBlocks(text);
    FolderDescription = ExtractBetween(text, "<folder_description>", "</folder_description>");
    FileCount = 0;
    MergeFolderEntries();
    return true;
}
