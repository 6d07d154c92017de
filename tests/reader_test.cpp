#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "descfile/writer.h"
#include "store/tables.h"
#include "tests/core_calls.h"
#include "tests/linear_lookup.h"
#include "tests/test_folder.h"

using namespace std::string_literals;

namespace {

std::vector<std::string> Blocks() {
    std::vector<std::string> blocks;
    for (int i = 0; i < BlockCount; ++i) {
        blocks.emplace_back(LoadedBlocks[i]);
    }
    return blocks;
}

class ReaderTest : public testing::Test {
  protected:
    void SetUp() override { ResetTables(); }
    void TearDown() override { ResetTables(); }
};

TEST(DecodeTextMode, FollowsWindowsTextFiles) {
    struct Case {
        std::string raw;
        std::string text;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb", "a\rb"},        // a lone CR stays
        {"a\r\r\nb", "a\r\nb"},  // CR CR LF, as the writer emits a typed break
        {"\r", "\r"},
        {"\r\r", "\r\r"},
        {"\n\r", "\n\r"},
        {"ab\x1A"
         "cd",
         "ab"},  // Ctrl+Z ends the text
        {"a\r\x1A\n", "a\r"},
        {"\x1A", ""},
        {"a\0b\r\n"s, "a\0b\n"s},  // NUL bytes are kept
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeTextMode(c.raw), c.text) << testing::PrintToString(c.raw);
    }
}

TEST_F(ReaderTest, WorkedExampleGivesTheDocumentedBlocks) {
    std::string text = DecodeTextMode(WorkedExampleBytes("C:\\Photos\\Garden"));
    ScanFileBlocks(text);
    ASSERT_EQ(BlockCount, 2);
    EXPECT_EQ(LoadedBlocks[0],
              "\n<file_name>pond.jpg</file_name>\n<file_description>\nThe pond after "
              "cleaning.\n</file_description>\n");
    EXPECT_EQ(
        LoadedBlocks[1],
        "\n<file_name>shed plan.txt</file_name>\n<file_description>\nMeasurements for the shed.\r\nSecond "
        "version.\n</file_description>\n");
    EXPECT_EQ(LookUpStoredDescription("shed plan.txt"), "Measurements for the shed.\r\nSecond version.");
    EXPECT_EQ(ExtractBetween(text, "<folder_description>", "</folder_description>"),
              "\nPictures of the back garden.\n");
}

TEST_F(ReaderTest, BlocksAreCutByAPlainScan) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> blocks;
        std::string cutOffIn;  // the name of the block the text ends in
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"no blocks", "<folder_name>x</folder_name>", {}},
        {"cut short after a complete block", "<file>a</file><file>b", {"a"}},
        {"cut short inside a description",
         "<file>a</file><file><file_name>n</file_name><file_description>d",
         {"a"},
         "n"},
        {"nested blocks share their end", "<file>a<file>b</file>", {"a<file>b", "b"}},
        {"a closing marker before any opening one", "</file><file>x</file>", {"x"}},
        {"field markers are no block markers",
         "<file_name>a</file_name><file_description>b</file_description>",
         {}},
        {"empty block", "<file></file>", {""}},
        {"a block ends at the first closing marker", "<file>a</file>b</file>", {"a"}},
        {"marker with attributes is not recognised", "<file id=1>a</file>< file>b</file>", {}},
        {"NUL bytes inside a block", "<file>\0a\0</file>"s, {"\0a\0"s}},
    };
    for (const Case& c : cases) {
        ResetTables();
        ScanFileBlocks(c.text);
        EXPECT_EQ(Blocks(), c.blocks) << c.what;
        EXPECT_EQ(NameInUnclosedBlock(c.text), c.cutOffIn) << c.what;
    }
}

TEST_F(ReaderTest, LookUpMatchesExactUntrimmedNamesAndTrimsTheDescription) {
    ScanFileBlocks(
        "<file><file_name>a.txt</file_name><file_description>\n first \n</file_description></file>"
        "<file><file_name>a.txt</file_name><file_description>second</file_description></file>"
        "<file><file_name> b.txt</file_name><file_description>blank before</file_description></file>"
        "<file><file_name>C.txt</file_name><file_description>upper</file_description></file>"
        "<file><file_name>d.txt</file_name></file>"
        "<file><file_description>no name</file_description></file>"
        "<file><file_name>e.txt</file_name><file_description>cut </file> short</file_description></file>");
    struct Case {
        std::string name;
        std::string description;
    };
    const Case cases[] = {
        {"a.txt", "first"},  // the first block of a name wins
        {"b.txt", ""},       // stored with a blank before the name
        {" b.txt", "blank before"},
        {"c.txt", ""},  // letter case matters
        {"C.txt", "upper"},
        {"d.txt", ""},    // a block without a description
        {"", "no name"},  // no folder entry is ever called "", so a nameless block never shows
        {"e.txt", ""},    // "</file>" inside the value ends the block early
        {"missing", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LookUpStoredDescription(c.name), c.description) << "name: " << c.name;
        EXPECT_EQ(LookUpStoredDescription(c.name), LinearLookUp(c.name)) << "name: " << c.name;
    }
}

TEST_F(ReaderTest, IndexAgreesWithALinearSearchOnHostileText) {
    const std::string texts[] = {
        "<file><file><file_name>x</file_name><file_description>inner</file_description></file>",
        "<file><file_name>x</file_name><file><file_name>y</file_name><file_description>d</file_description></"
        "file>",
        "<file><file_name>x<file_name>z</file_name></file_name><file_description>q</file_description></file>",
        "<file></file_name>x<file_name>x</file_name><file_description>q</file_description></file>",
        "<file><file_name>\0</file_name><file_description>nul</file_description></file>"s,
    };
    const std::string names[] = {"x", "y", "z", "x<file_name>z", "", "\0"s, "q"};
    for (const std::string& text : texts) {
        ResetTables();
        ScanFileBlocks(text);
        for (const std::string& name : names) {
            EXPECT_EQ(LookUpStoredDescription(name), LinearLookUp(name)) << text << " / " << name;
        }
    }
}

// Tiny blocks hold more names than the index makes room for up front, so it grows while it fills;
// names repeat (the first block wins), differ only in case or by a blank, and a second scan appends.
TEST_F(ReaderTest, IndexAgreesWithALinearSearchWhileItGrows) {
    auto block = [](const std::string& name, const std::string& description) {
        return "<file><file_name>" + name + "</file_name><file_description>" + description +
               "</file_description></file>";
    };
    std::string first, second;
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name = std::to_string(i % 2000);  // 1000 names stand twice
        if (i % 7 == 0) {
            name += " ";
        }
        if (i % 11 == 0) {
            name = "N" + name;
        }
        (i < 2000 ? first : second) += block(name, "d" + std::to_string(i));
        names.push_back(name);
        names.push_back("n" + name);
    }
    ResetTables();
    ScanFileBlocks(first);
    ScanFileBlocks(second);
    ASSERT_EQ(BlockCount, 3000);
    for (const std::string& name : names) {
        ASSERT_EQ(LookUpStoredDescription(name), LinearLookUp(name)) << name;
    }
}

TEST_F(ReaderTest, TheIndexDoesNotOutliveAReset) {
    ScanFileBlocks("<file><file_name>a</file_name><file_description>old</file_description></file>");
    ResetTables();
    EXPECT_EQ(LookUpStoredDescription("a"), "");
    ScanFileBlocks("<file><file_name>b</file_name><file_description>new</file_description></file>");
    EXPECT_EQ(LookUpStoredDescription("a"), "");
    EXPECT_EQ(LookUpStoredDescription("b"), "new");
}

TEST_F(ReaderTest, LoadingRejectsTextWithoutFolderNameAndChangesNothing) {
    StoreFolderEntry("kept", "description");
    FolderDescription = "folder";
    StoreLoadedBlock("block");
    const std::string rejected[] = {"",
                                    "garbage \x01\x02\xff",
                                    "<folder_name",
                                    "<Folder_name>",
                                    "<file><file_name>kept</file_name></file>",
                                    "\x1A<folder_name>"};
    for (const std::string& raw : rejected) {
        EXPECT_FALSE(LoadTables(DecodeTextMode(raw))) << testing::PrintToString(raw);
        EXPECT_EQ(FileCount, 1);
        EXPECT_EQ(FolderFiles[0], "kept");
        EXPECT_EQ(FolderDescriptions[0], "description");
        EXPECT_EQ(FolderDescription, "folder");
        EXPECT_EQ(BlockCount, 1);
    }
}

TEST_F(ReaderTest, FolderNameAnywhereMakesTheTextValid) {
    TestFolder folder;
    EXPECT_TRUE(LoadTables("<file><file_description><folder_name></file_description></file>"));
    EXPECT_EQ(BlockCount, 1);
    EXPECT_EQ(FolderDescription, "");
}

}  // namespace
