#include "store/tables.h"

#include <utility>

std::vector<std::string> FolderFiles(TableSlots);
std::vector<std::string> FolderDescriptions(TableSlots);
std::vector<std::string> LoadedBlocks(TableSlots);

int FileCount = 0;
int BlockCount = 0;

std::string CurrentDescFile;
std::string CurrentDescFileName;
std::string FolderDescription;

unsigned char EditingEnabled = 0;
unsigned char DirtyFlag = 0;
unsigned char SavedFlag = 0;

int SelectedIndex = -1;

namespace {

// Writes text into slot index of table, growing it by half when the slot lies beyond its end.
void PutInSlot(std::vector<std::string>& table, int index, std::string text) {
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
    for (size_t i = 0; i < LoadedBlocks.size(); ++i) {
        LoadedBlocks[i].clear();
    }
    for (size_t i = 0; i < FolderFiles.size(); ++i) {
        FolderFiles[i].clear();
        FolderDescriptions[i].clear();
    }
}

void StoreFolderEntry(std::string name, std::string description) {
    PutInSlot(FolderFiles, FileCount, std::move(name));
    PutInSlot(FolderDescriptions, FileCount, std::move(description));
    ++FileCount;
}

void StoreLoadedBlock(std::string block) {
    PutInSlot(LoadedBlocks, BlockCount, std::move(block));
    ++BlockCount;
}
