#include "store/folder_scan.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "store/tables.h"

void ScanFolderTables(std::vector<std::string> names) {
    // Another program may have added or removed entries since the tables were built, so the
    // descriptions are paired with the new names by name, never by index.
    std::unordered_map<std::string, std::string> described;
    for (int i = 0; i < FileCount; ++i) {
        if (!FolderDescriptions[i].empty()) {
            described.emplace(FolderFiles[i], std::move(FolderDescriptions[i]));
        }
    }
    for (int i = 0; i < FileCount; ++i) {
        FolderDescriptions[i].clear();
    }
    FileCount = 0;
    for (std::string& name : names) {
        auto it = described.find(name);
        std::string description;
        if (it != described.end()) {
            description = std::move(it->second);
            described.erase(it);
        }
        StoreFolderEntry(std::move(name), std::move(description));
    }
}

const char NewFolderDescription[] = "A folder";

void StartNewDescriptionTables(std::vector<std::string> names) {
    ResetTables();
    FolderDescription = NewFolderDescription;
    ScanFolderTables(std::move(names));
}
