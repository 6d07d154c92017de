// Bad and hostile description files: each has a known outcome, and none may crash or hang the
// reader. Built natively and into the Windows test program, so both builds read them alike.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "descfile/reader.h"
#include "descfile/writer.h"
#include "store/folder_enum.h"
#include "store/tables.h"
#include "tests/core_calls.h"
#include "tests/test_folder.h"

using namespace std::string_literals;

namespace {

std::string Description(const std::string& name) {
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == name) {
            return FolderDescriptions[i];
        }
    }
    return "(absent)";
}

struct HostileCase {
    const char* what;
    std::string raw;                                        // the file's bytes
    bool accepted;                                          // loaded, or refused with the tables untouched
    int blocks;                                             // BlockCount after loading
    std::vector<std::pair<std::string, std::string>> rows;  // entry -> description after loading
};

class HostileInput : public testing::Test {
  protected:
    void SetUp() override {
        ResetTables();
        for (const char* name : {"a.txt", "b.txt", "secret.txt"}) {
            folder.Write(name, "");
        }
    }
    void TearDown() override { ResetTables(); }
    TestFolder folder;
};

TEST_F(HostileInput, EachBadFileHasItsOutcome) {
    const std::string valid = "<folder_name>C:\\x</folder_name>";
    const HostileCase cases[] = {
        {"empty", "", false, 0, {}},
        {"binary garbage", "\x89PNG\r\n\x1a\n\x00\x01\xff\xfe"s, false, 0, {}},
        {"NUL bytes around the markers",
         "\0<folder_name>\0"s + Block("a.txt", "x\0y"s) + "\0"s,
         true,
         1,
         {{"a.txt", "x\0y"s}}},
        {"Ctrl+Z before the folder name ends the text", "<file>\x1A<folder_name>", false, 0, {}},
        {"Ctrl+Z in the middle cuts the later blocks",
         valid + Block("a.txt", "kept") + "\x1A" + Block("b.txt", "lost"),
         true,
         1,
         {{"a.txt", "kept"}, {"b.txt", ""}}},
        {"CR-only line ends stay in the text",
         "<folder_name>\r\r" + Block("a.txt", "\rline\rline\r"),
         true,
         1,
         {{"a.txt", "\rline\rline"}}},
        {"mixed line ends",
         valid + "\r\n\n\r" + Block("a.txt", "one\r\r\ntwo\nthree\r\n"),
         true,
         1,
         {{"a.txt", "one\r\ntwo\nthree"}}},
        {"a block cut short",
         valid + Block("a.txt", "whole") + "<file><file_name>b.txt</file_name><file_desc",
         true,
         1,
         {{"a.txt", "whole"}, {"b.txt", ""}}},
        {"nested blocks", valid + "<file>" + Block("a.txt", "inner"), true, 2, {{"a.txt", "inner"}}},
        {"overlapping names: the first block of a name wins",
         valid + Block("a.txt", "first") + Block("a.txt", "second") + Block("b.txt", "other"),
         true,
         3,
         {{"a.txt", "first"}, {"b.txt", "other"}}},
        {"a closing block marker inside a description",
         valid + Block("a.txt", "cut </file> here"),
         true,
         1,
         {{"a.txt", ""}}},
        {"a closing description marker inside a description",
         valid + Block("a.txt", "x</file_description>y"),
         true,
         1,
         {{"a.txt", "x"}}},
        {"the folder name marker inside a description",
         Block("a.txt", "<folder_name>"),
         true,
         1,
         {{"a.txt", "<folder_name>"}}},
        {"stored names that are paths match no entry",
         valid + Block("..\\secret.txt", "up") + Block("C:\\secret.txt", "root") +
             Block("sub\\a.txt", "down") + Block("b.txt:stream", "stream") + Block("/secret.txt", "slash"),
         true,
         5,
         {{"secret.txt", ""}, {"a.txt", ""}, {"b.txt", ""}, {"..\\secret.txt", "(absent)"}}},
        {"markers with attributes or spacing are not markers",
         valid + "<file id=1>" + Block("a.txt", "x").substr(6) + "< file><file_name>b.txt</file_name></file>",
         true,
         0,
         {{"a.txt", ""}, {"b.txt", ""}}},
        {"letter case matters", valid + Block("A.TXT", "upper"), true, 1, {{"a.txt", ""}}},
    };
    for (const HostileCase& c : cases) {
        ResetTables();
        StoreFolderEntry("untouched", "kept");
        FolderDescription = "before";
        bool loaded = LoadTables(DecodeTextMode(c.raw));
        EXPECT_EQ(loaded, c.accepted) << c.what;
        if (!loaded) {
            EXPECT_EQ(FileCount, 1) << c.what;
            EXPECT_EQ(Description("untouched"), "kept") << c.what;
            EXPECT_EQ(FolderDescription, "before") << c.what;
            continue;
        }
        EXPECT_EQ(BlockCount, c.blocks) << c.what;
        EXPECT_EQ(FileCount, static_cast<int>(Listing().size())) << c.what;
        for (const auto& row : c.rows) {
            EXPECT_EQ(Description(row.first), row.second) << c.what << ": " << row.first;
        }
    }
}

TEST_F(HostileInput, AHundredThousandBlocksAllFindTheirEntries) {
    std::string text = "<folder_name>C:\\x</folder_name>";
    for (int i = 0; i < 100000; ++i) {
        text += Block("entry" + std::to_string(i), "description " + std::to_string(i));
    }
    text += Block("b.txt", "the last block");
    ASSERT_TRUE(LoadTables(text));
    EXPECT_EQ(BlockCount, 100001);
    EXPECT_EQ(Description("b.txt"), "the last block");
    EXPECT_EQ(LookUpStoredDescription("entry99999"), "description 99999");
    EXPECT_EQ(LookUpStoredDescription("entry0"), "description 0");
}

TEST_F(HostileInput, FiftyMegabytesOfNestedBlocksReadInLinearTime) {
    // Every "<file>" starts a block that runs to the one "</file>" at the end: 8 million blocks
    // overlapping each other, which as copies would need petabytes.
    std::string raw = "<folder_name>\r\n";
    raw.reserve(50u << 20);
    int opened = 0;
    while (raw.size() < (50u << 20)) {
        raw += "<file>";
        ++opened;
    }
    raw += "<file_name>a.txt</file_name><file_description>deep</file_description></file>";
    folder.Write("hostile.desc", raw);
    std::string text;
    ASSERT_TRUE(ReadDescriptionText(folder.PathOf("hostile.desc"), text));
    ASSERT_TRUE(LoadTables(text));
    EXPECT_EQ(BlockCount, opened);
    EXPECT_EQ(Description("a.txt"), "deep");
    EXPECT_EQ(LoadedBlocks[BlockCount - 1],
              "<file_name>a.txt</file_name><file_description>deep</file_description>");
}

TEST_F(HostileInput, AFiftyMegabyteDescriptionRoundTrips) {
    std::string huge(50u << 20, 'x');
    huge[1000] = '\n';
    std::vector<std::string> files{"a.txt"};
    std::vector<std::string> descriptions{huge};
    folder.Write("big.desc", FormatDescriptionFile("C:\\x", "", files, descriptions, 1));
    std::string text;
    ASSERT_TRUE(ReadDescriptionText(folder.PathOf("big.desc"), text));
    ASSERT_TRUE(LoadTables(text));
    EXPECT_EQ(Description("a.txt"), huge);
}

}  // namespace
