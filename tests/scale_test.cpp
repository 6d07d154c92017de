// A folder of 100,000 entries with a description file of 100,000 blocks loads, saves and loads again
// with nothing lost, past the tables' first capacity.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "descfile/reader.h"
#include "descfile/writer.h"
#include "store/folder_enum.h"
#include "store/tables.h"
#include "tests/core_calls.h"
#include "tests/test_folder.h"

namespace {

TEST(Scale, AHundredThousandEntriesSurviveLoadSaveAndReload) {
    TestFolder folder;
    const int entries = 100000;
    std::vector<std::string> names, descriptions;
    for (int i = 0; i < entries; ++i) {
        names.push_back("photo " + std::to_string(i) + ".jpg");
        descriptions.push_back("Description of photo " + std::to_string(i) +
                               (i % 7 == 0 ? "\r\nsecond line" : ""));
        int file = open(names.back().c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(file, 0);
        close(file);
    }
    ResetTables();
    folder.Write("file descriptions.desc",
                 FormatDescriptionFile(folder.Path(), "Many", names, descriptions, entries));
    EditingEnabled = 1;
    CurrentDescFile = folder.Path() + "/file descriptions.desc";

    for (int round = 0; round < 2; ++round) {
        std::string text;
        ASSERT_TRUE(ReadDescriptionText(CurrentDescFile, text));
        ASSERT_TRUE(LoadTables(text));
        ASSERT_EQ(BlockCount, entries);
        ASSERT_EQ(FileCount, entries + 3);  // ".", ".." and the description file
        int described = 0;
        for (int i = 0; i < FileCount; ++i) {
            const std::string& name = FolderFiles[i];
            if (name.rfind("photo ", 0) != 0) {
                continue;
            }
            int n = std::stoi(name.substr(6));
            ASSERT_EQ(FolderDescriptions[i], descriptions[n]) << name;
            ++described;
        }
        EXPECT_EQ(described, entries);
        ASSERT_EQ(SaveTables(FolderDescription), SaveResult::Saved);
    }
    EditingEnabled = 0;
    ResetTables();
}

}  // namespace
