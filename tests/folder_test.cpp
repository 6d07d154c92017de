#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "descfile/reader.h"
#include "descfile/writer.h"
#include "store/folder_enum.h"
#include "store/folder_scan.h"
#include "store/tables.h"
#include "tests/core_calls.h"
#include "tests/test_folder.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> TableNames() {
    return std::vector<std::string>(FolderFiles.begin(), FolderFiles.begin() + FileCount);
}

class FolderTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetTables();
        EditingEnabled = 1;
        CurrentDescFile = folder.Path() + "/file descriptions.desc";
    }
    void TearDown() override {
        EditingEnabled = 0;
        DirtyFlag = SavedFlag = 0;
        ResetTables();
    }
    // The description stored for name in the tables; "(absent)" when no row carries it.
    std::string DescriptionOf(const std::string& name) const {
        for (int i = 0; i < FileCount; ++i) {
            if (FolderFiles[i] == name) {
                return FolderDescriptions[i];
            }
        }
        return "(absent)";
    }
    TestFolder folder;
};

TEST_F(FolderTest, EnumerationListsEveryEntryUnfiltered) {
    folder.Write("a.txt", "");
    folder.Write(".hidden", "");
    ASSERT_EQ(mkdir((folder.Path() + "/sub").c_str(), 0755), 0);
    EXPECT_EQ(Sorted(Listing()), (std::vector<std::string>{".", "..", ".hidden", "a.txt", "sub"}));
    EXPECT_EQ(CurrentFolderPath(), folder.Path());
}

// A folder that cannot be listed is no empty folder: the listing fails with the system's reason and
// leaves what it was given alone.
TEST_F(FolderTest, AFolderThatCannotBeListedIsNoEmptyFolder) {
    folder.Write("a.txt", "");
    std::vector<std::string> names{"kept"};
    std::string reason;
    // Removed while it is the current directory.
    ASSERT_EQ(mkdir("sub", 0755), 0);
    ASSERT_EQ(chdir("sub"), 0);
    ASSERT_EQ(rmdir((folder.Path() + "/sub").c_str()), 0);
    EXPECT_FALSE(ListCurrentFolder(names, reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);

    // Not readable by the user. Modes do not bind root, so the listing runs in a child process that
    // gives up root first.
    ASSERT_EQ(chmod(folder.Path().c_str(), 0), 0);
    pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        bool listed = ListCurrentFolder(names, reason);
        _exit(!listed && reason == std::strerror(EACCES) && names == std::vector<std::string>{"kept"} ? 0
                                                                                                      : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder.Path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: listed or wrong reason; 2: could not give up root";
    EXPECT_TRUE(ListCurrentFolder(names, reason));
    EXPECT_EQ(Sorted(names), (std::vector<std::string>{".", "..", "a.txt"}));
}

TEST_F(FolderTest, ScanFollowsEnumerationOrderAndKeepsDescriptionsWithTheirNames) {
    folder.Write("a.txt", "");
    folder.Write("b.txt", "");
    ScanFolderTables(Listing());
    EXPECT_EQ(FileCount, 4);
    EXPECT_EQ(TableNames(), Listing());
    for (int i = 0; i < FileCount; ++i) {
        FolderDescriptions[i] = "about " + FolderFiles[i];
    }
    // Another program removes one entry and adds two.
    ASSERT_EQ(remove((folder.Path() + "/a.txt").c_str()), 0);
    folder.Write("c.txt", "");
    folder.Write("d.txt", "");
    ScanFolderTables(Listing());
    EXPECT_EQ(TableNames(), Listing());
    EXPECT_EQ(FileCount, 5);
    EXPECT_EQ(DescriptionOf("b.txt"), "about b.txt");
    EXPECT_EQ(DescriptionOf("."), "about .");
    EXPECT_EQ(DescriptionOf("a.txt"), "(absent)");
    EXPECT_EQ(DescriptionOf("c.txt"), "");
    EXPECT_EQ(DescriptionOf("d.txt"), "");
}

TEST_F(FolderTest, WriteReadMergeRoundTrip) {
    for (const char* name : {"pond.jpg", "shed plan.txt", "tree.jpg", "x&y.txt"}) {
        folder.Write(name, "");
    }
    folder.Write("file descriptions.desc", "");
    ScanFolderTables(Listing());
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == "pond.jpg")
            FolderDescriptions[i] = "The pond after cleaning.";
        if (FolderFiles[i] == "shed plan.txt")
            FolderDescriptions[i] = "Measurements.\r\nSecond version.\r\n";
        if (FolderFiles[i] == "x&y.txt")
            FolderDescriptions[i] = "a & b <i>";
        if (FolderFiles[i] == "..")
            FolderDescriptions[i] = "the parent";
    }
    ASSERT_EQ(SaveTables("Pictures of the back garden."), SaveResult::Saved);

    std::string text;
    ASSERT_TRUE(ReadDescriptionText(CurrentDescFile, text));
    ASSERT_TRUE(LoadTables(text));
    EXPECT_EQ(FolderDescription, "\nPictures of the back garden.\n");  // kept untrimmed
    EXPECT_EQ(TableNames(), Listing());
    EXPECT_EQ(DescriptionOf("pond.jpg"), "The pond after cleaning.");
    EXPECT_EQ(DescriptionOf("shed plan.txt"), "Measurements.\r\nSecond version.");  // typed breaks come back
    EXPECT_EQ(DescriptionOf("x&y.txt"), "a & b <i>");
    EXPECT_EQ(DescriptionOf(".."), "the parent");
    EXPECT_EQ(DescriptionOf("tree.jpg"), "");
    EXPECT_EQ(BlockCount, 4);

    // Saving what was loaded gives the same bytes again.
    std::string first = folder.Read("file descriptions.desc");
    ASSERT_EQ(SaveTables(FolderDescription), SaveResult::Saved);
    EXPECT_EQ(folder.Read("file descriptions.desc"), first);
}

TEST_F(FolderTest, OpeningAChangedFolderDropsGoneFilesAndAddsNewOnes) {
    folder.Write("kept.txt", "");
    folder.Write("new.txt", "");
    std::string text =
        "<folder_name>C:\\elsewhere</folder_name>"
        "<file><file_name>gone.txt</file_name><file_description>lost</file_description></file>"
        "<file><file_name>kept.txt</file_name><file_description>stays</file_description></file>";
    ASSERT_TRUE(LoadTables(text));
    EXPECT_EQ(TableNames(), Listing());
    EXPECT_EQ(DescriptionOf("kept.txt"), "stays");
    EXPECT_EQ(DescriptionOf("new.txt"), "");
    EXPECT_EQ(DescriptionOf("gone.txt"), "(absent)");
}

TEST_F(FolderTest, UnreadableFilesReadAsNothing) {
    std::string text = "untouched";
    EXPECT_FALSE(ReadDescriptionText(folder.Path() + "/missing.desc", text));
    EXPECT_FALSE(ReadDescriptionText(folder.Path(), text));  // a folder
    EXPECT_EQ(text, "untouched");
}

}  // namespace
