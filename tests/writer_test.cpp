#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>

#include <string>
#include <vector>

#include "descfile/file_io.h"
#include "descfile/writer.h"
#include "store/tables.h"
#include "tests/core_calls.h"
#include "tests/test_folder.h"

namespace {

const std::string Garden = "C:\\Photos\\Garden";

struct Tables {
    std::vector<std::string> files;
    std::vector<std::string> descriptions;
    int Count() const { return static_cast<int>(files.size()); }
};

Tables WorkedExampleTables() {
    return {
        {".", "..", "file descriptions.desc", "pond.jpg", "shed plan.txt", "tree.jpg"},
        {"", "", "", "The pond after cleaning.", "Measurements for the shed.\r\nSecond version.\r\n", ""}};
}

TEST(FormatDescriptionFile, WorkedExampleIsExactly463Bytes) {
    Tables l = WorkedExampleTables();
    std::string bytes =
        FormatDescriptionFile(Garden, "Pictures of the back garden.", l.files, l.descriptions, l.Count());
    EXPECT_EQ(bytes.size(), 463u);
    EXPECT_EQ(bytes, WorkedExampleBytes(Garden));
}

TEST(FormatDescriptionFile, EmptyCaseIsExactly125Bytes) {
    Tables l = WorkedExampleTables();
    l.descriptions.assign(l.files.size(), "");
    std::string bytes = FormatDescriptionFile(Garden, "", l.files, l.descriptions, l.Count());
    EXPECT_EQ(bytes,
              "<?xml version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n"
              "<folder_name>C:\\Photos\\Garden</folder_name>\r\n\r\n\r\n</file_description_data>");
    EXPECT_EQ(bytes.size(), 125u);
}

TEST(FormatDescriptionFile, ValuesAreWrittenAsTheyStand) {
    struct Case {
        const char* what;
        std::string folderDescription;
        std::string name;
        std::string description;
        std::string expectedMiddle;  // everything between the folder name line's blank line and the end
    };
    const std::string head =
        "<?xml "
        "version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>C:\\</folder_name>\r\n\r\n";
    const std::string tail = "\r\n</file_description_data>";
    const Case cases[] = {
        {"blank folder description keeps its block", "  \r\n ", "a", "",
         "<folder_description>\r\n\r\n</folder_description>\r\n"},
        {"blank description keeps its block", "", "a", " \r\n ",
         "\r\n<file>\r\n<file_name>a</file_name>\r\n<file_description>\r\n\r\n</file_description>\r\n</"
         "file>\r\n"},
        {"markers and ampersands are not escaped", "", "x&y.txt", "</file_description> & <b>",
         "\r\n<file>\r\n<file_name>x&y.txt</file_name>\r\n<file_description>\r\n</file_description> & <b>\r\n"
         "</file_description>\r\n</file>\r\n"},
        {"a name keeps its leading blank", "", " lead.txt", "d",
         "\r\n<file>\r\n<file_name> lead.txt</file_name>\r\n<file_description>\r\nd\r\n</"
         "file_description>\r\n</file>\r\n"},
        {"a name keeps its trailing blank", "", "trail.txt ", "d",
         "\r\n<file>\r\n<file_name>trail.txt </file_name>\r\n<file_description>\r\nd\r\n</"
         "file_description>\r\n</file>\r\n"},
        {"a Ctrl+Z in a description is written as a space", "", "a", "log\x1A end\x1A",
         "\r\n<file>\r\n<file_name>a</file_name>\r\n<file_description>\r\nlog  end \r\n</"
         "file_description>\r\n</file>\r\n"},
        {"a Ctrl+Z in the folder description is written as a space", "\x1Ahere", "a", "",
         "<folder_description>\r\n here\r\n</folder_description>\r\n"},
        {"a bare LF inside a value becomes CR LF", "", "a", "one\ntwo",
         "\r\n<file>\r\n<file_name>a</file_name>\r\n<file_description>\r\none\r\ntwo\r\n</"
         "file_description>\r\n</file>\r\n"},
        {"a typed line break becomes CR CR LF", "line 1\r\nline 2", "a", "",
         "<folder_description>\r\nline 1\r\r\nline 2\r\n</folder_description>\r\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> files{c.name};
        std::vector<std::string> descriptions{c.description};
        EXPECT_EQ(FormatDescriptionFile("C:\\", c.folderDescription, files, descriptions, 1),
                  head + c.expectedMiddle + tail)
            << c.what;
    }
}

TEST(FormatDescriptionFile, DescribedDotEntriesAreWrittenInTableOrder) {
    std::vector<std::string> files{"..", ".", "b"};
    std::vector<std::string> descriptions{"up", "here", ""};
    std::string bytes = FormatDescriptionFile("C:\\", "", files, descriptions, 3);
    size_t up = bytes.find("<file_name>..</file_name>");
    size_t here = bytes.find("<file_name>.</file_name>");
    ASSERT_NE(up, std::string::npos);
    ASSERT_NE(here, std::string::npos);
    EXPECT_LT(up, here);
    EXPECT_EQ(bytes.find("<file_name>b</file_name>"), std::string::npos);
    EXPECT_EQ(bytes.back(), '>');
}

TEST(FormatDescriptionFile, SlotsBeyondTheCountAreNotWritten) {
    std::vector<std::string> files{"a", "stale"};
    std::vector<std::string> descriptions{"kept", "left over"};
    std::string bytes = FormatDescriptionFile("C:\\", "", files, descriptions, 1);
    EXPECT_NE(bytes.find("kept"), std::string::npos);
    EXPECT_EQ(bytes.find("left over"), std::string::npos);
}

// The digest that tells another program's change from none: any one bit changed, or a NUL added, shows.
TEST(DigestOfBytes, EveryBitOfEveryLengthCounts) {
    for (size_t length = 0; length <= 17; ++length) {
        const std::string bytes(length, '\xA5');
        EXPECT_NE(DigestOfBytes(bytes + '\0'), DigestOfBytes(bytes)) << length;
        for (size_t bit = 0; bit < 8 * length; ++bit) {
            std::string changed = bytes;
            changed[bit / 8] = static_cast<char>(changed[bit / 8] ^ (1 << (bit % 8)));
            EXPECT_NE(DigestOfBytes(changed), DigestOfBytes(bytes)) << length << " bytes, bit " << bit;
        }
    }
}

class SaveTablesTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetTables();
        EditingEnabled = 1;
        DirtyFlag = 1;
        SavedFlag = 0;
        CurrentDescFile = folder.Path() + "/file descriptions.desc";
    }
    void TearDown() override {
        EditingEnabled = 0;
        ResetTables();
    }
    TestFolder folder;
};

TEST_F(SaveTablesTest, NothingHappensBeforeAFileIsInUse) {
    EditingEnabled = 0;
    EXPECT_EQ(SaveTables("text"), SaveResult::NotEditing);
    EXPECT_FALSE(folder.Has("file descriptions.desc"));
    EXPECT_EQ(DirtyFlag, 1);
    EXPECT_EQ(SavedFlag, 0);
    EXPECT_EQ(FolderDescription, "");
}

TEST_F(SaveTablesTest, WritesTheFolderPathAndTakesTheBoxText) {
    StoreFolderEntry("pond.jpg", "The pond after cleaning.");
    StoreFolderEntry("tree.jpg", "");
    ASSERT_EQ(SaveTables("Pictures"), SaveResult::Saved);
    EXPECT_EQ(FolderDescription, "Pictures");
    EXPECT_EQ(DirtyFlag, 0);
    EXPECT_EQ(SavedFlag, 1);
    std::vector<std::string> files{"pond.jpg"};
    std::vector<std::string> descriptions{"The pond after cleaning."};
    EXPECT_EQ(folder.Read("file descriptions.desc"),
              FormatDescriptionFile(folder.Path(), "Pictures", files, descriptions, 1));
}

TEST_F(SaveTablesTest, AnEmptyBoxKeepsThePreviousFolderDescription) {
    FolderDescription = "Loaded before";
    ASSERT_EQ(SaveTables(""), SaveResult::Saved);
    EXPECT_EQ(FolderDescription, "Loaded before");
    EXPECT_NE(folder.Read("file descriptions.desc").find("Loaded before"), std::string::npos);
}

TEST_F(SaveTablesTest, AFailedSaveChangesNothingOnDiskAndSaysWhy) {
    struct Case {
        const char* what;
        void (*arrange)(const TestFolder& folder);
        const char* file;  // the description file's name in the folder
        std::string reason;
    };
    const Case cases[] = {
        {"a read-only file",
         [](const TestFolder& folder) {
             folder.Write("file descriptions.desc", "read-only bytes");
             ASSERT_EQ(chmod((folder.Path() + "/file descriptions.desc").c_str(), 0444), 0);
         },
         "file descriptions.desc", "The file is read-only."},
        {"a folder of the file's name",
         [](const TestFolder& folder) { ASSERT_EQ(mkdir((folder.Path() + "/x.desc").c_str(), 0755), 0); },
         "x.desc", "A folder has that name."},
        {"a folder that is gone", [](const TestFolder&) {}, "gone/file descriptions.desc",
         std::strerror(ENOENT)},
        {"the disk fills up part-way",
         [](const TestFolder& folder) {
             // Last, since a machine without tmpfs skips it. A disk of 1 MB, nearly full with the old file,
             // for a save of several chunks.
             ASSERT_EQ(mkdir((folder.Path() + "/disk").c_str(), 0755), 0);
             if (mount("tmpfs", (folder.Path() + "/disk").c_str(), "tmpfs", 0, "size=1m") != 0) {
                 GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
             }
             folder.Write("disk/file descriptions.desc", std::string(600 << 10, 'o'));
             StoreFolderEntry("a", std::string(3 << 20, 'x'));
         },
         "disk/file descriptions.desc", std::strerror(ENOSPC)},
    };
    for (const Case& c : cases) {
        TestFolder fresh;
        ResetTables();
        StoreFolderEntry("a", "b");
        c.arrange(fresh);
        CurrentDescFile = fresh.Path() + "/" + c.file;
        const std::vector<std::string> before = Listing();
        std::string bytes, after;  // none for a folder or a missing file
        ReadWholeFile(CurrentDescFile, bytes, nullptr, nullptr);
        DirtyFlag = 1;
        if (IsSkipped()) {
            continue;
        }
        std::string reason;
        EXPECT_EQ(SaveDescriptionTables("box", reason), SaveResult::Failed) << c.what;
        EXPECT_EQ(reason, c.reason) << c.what;
        EXPECT_EQ(DirtyFlag, 1) << c.what;
        ReadWholeFile(CurrentDescFile, after, nullptr, nullptr);
        EXPECT_EQ(after, bytes) << c.what;
        EXPECT_EQ(Listing(), before) << c.what << ": something was left behind or removed";
        umount2((fresh.Path() + "/disk").c_str(), MNT_DETACH);
    }
}

}  // namespace
