#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "descfile/reader.h"
#include "store/tables.h"

// Allocations that may still succeed before the next one fails; negative for no limit. Lets a test run
// out of memory at every step of a load in turn.
long AllocationsLeft = -1;

void* operator new(size_t size) {
    if (AllocationsLeft == 0) {
        throw std::bad_alloc();
    }
    if (AllocationsLeft > 0) {
        --AllocationsLeft;
    }
    if (void* memory = std::malloc(size > 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

namespace {

TEST(ResetTables, EmptiesEverySlotAndKeepsPathsFlagsAndSelection) {
    for (int i = 0; i < 3; ++i) {
        StoreFolderEntry("name" + std::to_string(i), "desc");
        StoreLoadedBlock("block");
    }
    FolderFiles[TableSlots - 1] = "stale";  // beyond the count
    LoadedBlocks[TableSlots - 1] = "stale";
    FolderDescription = "folder";
    CurrentDescFile = "C:\\a\\b.desc";
    CurrentDescFileName = "b.desc";
    DirtyFlag = 1;
    SavedFlag = 1;
    SelectedIndex = 2;

    ResetTables();

    EXPECT_EQ(FileCount, 0);
    EXPECT_EQ(BlockCount, 0);
    EXPECT_EQ(FolderDescription, "");
    for (size_t i = 0; i < FolderFiles.size(); ++i) {
        ASSERT_TRUE(FolderFiles[i].empty() && FolderDescriptions[i].empty()) << i;
    }
    for (size_t i = 0; i < LoadedBlocks.size(); ++i) {
        ASSERT_TRUE(LoadedBlocks[i].empty()) << i;
    }
    EXPECT_EQ(CurrentDescFile, "C:\\a\\b.desc");
    EXPECT_EQ(CurrentDescFileName, "b.desc");
    EXPECT_EQ(DirtyFlag, 1);
    EXPECT_EQ(SavedFlag, 1);
    EXPECT_EQ(SelectedIndex, 2);
    DirtyFlag = SavedFlag = 0;
    SelectedIndex = -1;
}

TEST(Tables, GrowPastTheirFirstCapacityWithoutLosingAnEntry) {
    ResetTables();
    const int entries = TableSlots * 2 + 7;
    std::string blocks;
    for (int i = 0; i < entries; ++i) {
        blocks += "b" + std::to_string(i) + ";";
    }
    std::string_view kept = KeepLoadedText(blocks);
    for (int i = 0, start = 0; i < entries; ++i) {
        StoreFolderEntry("f" + std::to_string(i), "d" + std::to_string(i));
        size_t end = kept.find(';', start);
        StoreLoadedBlock(kept.substr(start, end - start));
        start = static_cast<int>(end + 1);
    }
    ASSERT_EQ(FileCount, entries);
    ASSERT_EQ(BlockCount, entries);
    ASSERT_EQ(FolderFiles.size(), FolderDescriptions.size());
    for (int i : {0, TableSlots - 1, TableSlots, entries - 1}) {
        EXPECT_EQ(FolderFiles[i], "f" + std::to_string(i));
        EXPECT_EQ(FolderDescriptions[i], "d" + std::to_string(i));
        EXPECT_EQ(LoadedBlocks[i], "b" + std::to_string(i));
    }
    ResetTables();
    EXPECT_TRUE(FolderFiles[entries - 1].empty());
    EXPECT_TRUE(FolderDescriptions[entries - 1].empty());
    EXPECT_TRUE(LoadedBlocks[entries - 1].empty());
}

TEST(LoadDescriptionTables, RunningOutOfMemoryAtAnyStepLeavesTheTablesAsTheyWere) {
    ResetTables();
    StoreFolderEntry("kept.txt", "kept description");
    FolderDescription = "kept folder";
    const std::string text =
        "<folder_name>C:\\x</folder_name><folder_description>new</folder_description>"
        "<file><file_name>a.txt</file_name><file_description>A</file_description></file>"
        "<file><file_name>b.txt</file_name><file_description>B</file_description></file>";
    const std::vector<std::string> names{".", "..", "a.txt", "b.txt"};
    LoadResult result = LoadResult::OutOfMemory;
    long allowed = 0;
    for (; result == LoadResult::OutOfMemory && allowed < 100000; ++allowed) {
        std::string textCopy = text;
        std::vector<std::string> namesCopy = names;
        AllocationsLeft = allowed;
        result = LoadDescriptionTables(std::move(textCopy), std::move(namesCopy));
        AllocationsLeft = -1;
        if (result == LoadResult::OutOfMemory) {
            ASSERT_EQ(FileCount, 1) << allowed;
            ASSERT_EQ(FolderFiles[0], "kept.txt") << allowed;
            ASSERT_EQ(FolderDescriptions[0], "kept description") << allowed;
            ASSERT_EQ(FolderDescription, "kept folder") << allowed;
        }
    }
    ASSERT_EQ(result, LoadResult::Loaded);
    EXPECT_GT(allowed, 3);  // it did run out part-way, more than once
    EXPECT_EQ(FileCount, 4);
    EXPECT_EQ(FolderDescriptions[3], "B");
    EXPECT_EQ(FolderDescription, "new");
    ResetTables();
}

}  // namespace
