#include <gtest/gtest.h>

#include <string>

#include "store/tables.h"

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
    EXPECT_TRUE(LoadedTexts.empty());
    EXPECT_TRUE(FolderFiles[entries - 1].empty());
    EXPECT_TRUE(FolderDescriptions[entries - 1].empty());
    EXPECT_TRUE(LoadedBlocks[entries - 1].empty());
}

}  // namespace
