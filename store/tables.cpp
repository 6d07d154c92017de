#include "store/tables.h"

#include <utility>

std::vector<std::string> FolderFiles(TableSlots);
std::vector<std::string> FolderDescriptions(TableSlots);
std::vector<std::string_view> LoadedBlocks(TableSlots);
unsigned TablesGeneration = 0;

int FileCount = 0;
int BlockCount = 0;

std::string CurrentDescFile;
std::string CurrentDescFileName;
FileStamp CurrentDescFileStamp;
std::string FolderDescription;

unsigned char EditingEnabled = 0;
unsigned char DirtyFlag = 0;
unsigned char SavedFlag = 0;

int SelectedIndex = -1;

namespace {

// The texts that LoadedBlocks point into, kept until ResetTables.
std::deque<std::string> LoadedTexts;

// Writes text into slot index of table, growing it by half when the slot lies beyond its end.
template <typename Text>
void PutInSlot(std::vector<Text>& table, int index, Text text) {
    if (static_cast<size_t>(index) >= table.size()) {
        table.resize(table.size() + table.size() / 2 + 1);
    }
    table[static_cast<size_t>(index)] = std::move(text);
}

}  // namespace

void ResetTables() {
    FileCount = 0;
    BlockCount = 0;
    FolderDescription.clear();
    ++TablesGeneration;
    for (size_t i = 0; i < LoadedBlocks.size(); ++i) {
        LoadedBlocks[i] = std::string_view();
    }
    LoadedTexts.clear();
    for (size_t i = 0; i < FolderFiles.size(); ++i) {
        FolderFiles[i].clear();
        FolderDescriptions[i].clear();
    }
}

void EmptyTablesInUse() {
    for (int i = 0; i < BlockCount; ++i) {
        LoadedBlocks[i] = std::string_view();
    }
    for (int i = 0; i < FileCount; ++i) {
        FolderFiles[i].clear();
        FolderDescriptions[i].clear();
    }
    FileCount = 0;
    BlockCount = 0;
    FolderDescription.clear();
    LoadedTexts.clear();
    ++TablesGeneration;
}

void SetTablesAside(TablesSetAside& aside) {
    // The empty tables are made before anything moves, so running out of memory here changes nothing.
    std::vector<std::string> files(TableSlots), descriptions(TableSlots);
    std::vector<std::string_view> blocks(TableSlots);
    aside.files.swap(FolderFiles);
    FolderFiles.swap(files);
    aside.descriptions.swap(FolderDescriptions);
    FolderDescriptions.swap(descriptions);
    aside.blocks.swap(LoadedBlocks);
    LoadedBlocks.swap(blocks);
    aside.texts.swap(LoadedTexts);
    LoadedTexts.clear();
    aside.fileCount = std::exchange(FileCount, 0);
    aside.blockCount = std::exchange(BlockCount, 0);
    aside.folderDescription.swap(FolderDescription);
    FolderDescription.clear();
    ++TablesGeneration;
}

void PutTablesBack(TablesSetAside& aside) {
    FolderFiles = std::move(aside.files);
    FolderDescriptions = std::move(aside.descriptions);
    LoadedBlocks = std::move(aside.blocks);
    LoadedTexts = std::move(aside.texts);
    FileCount = aside.fileCount;
    BlockCount = aside.blockCount;
    FolderDescription = std::move(aside.folderDescription);
    // Whatever was derived from the tables in between belongs to the load that failed.
    ++TablesGeneration;
}

void StoreFolderEntry(std::string name, std::string description) {
    PutInSlot(FolderFiles, FileCount, std::move(name));
    PutInSlot(FolderDescriptions, FileCount, std::move(description));
    ++FileCount;
}

std::string_view KeepLoadedText(std::string text) {
    LoadedTexts.push_back(std::move(text));
    return LoadedTexts.back();
}

void StoreLoadedBlock(std::string_view block) {
    PutInSlot(LoadedBlocks, BlockCount, block);
    ++BlockCount;
}
