// The program with a folder of 20,000 entries, each described: open, list, save, start again, open.
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "descfile/writer.h"
#include "resources/resource_ids.h"
#include "store/tables.h"
#include "tests/gui/gui_harness.h"

namespace {

using Scale = MainWindowTest;

TEST_F(Scale, TwentyThousandDescribedEntriesSurviveOpenSaveAndReopen) {
    WinFolder folder;
    const int entries = 20000;
    std::vector<std::string> names, descriptions;
    for (int i = 0; i < entries; ++i) {
        names.push_back("scan " + std::to_string(i) + ".tif");
        descriptions.push_back("Page " + std::to_string(i) + (i % 5 == 0 ? "\r\nwith a second line" : ""));
    }
    ASSERT_TRUE(CreateBelowWine(folder.Path(), names));
    folder.Write("file descriptions.desc",
                 FormatDescriptionFile(folder.Path(), "Scans", names, descriptions, entries));
    const std::string original = folder.Read("file descriptions.desc");

    for (int round = 0; round < 2; ++round) {
        AnswerFileDialogWith(folder.PathOf("file descriptions.desc"));
        Command(IDM_OPEN_DESCRIPTION_FILE);
        auto rows = ListRows();
        ASSERT_EQ(rows.size(), static_cast<size_t>(entries + 3));
        int described = 0;
        for (const auto& row : rows) {
            if (row.first.rfind("scan ", 0) == 0) {
                ASSERT_EQ(row.second, descriptions[std::stoi(row.first.substr(5))]) << row.first;
                ++described;
            }
        }
        EXPECT_EQ(described, entries);
        Command(IDM_SAVE_DESCRIPTIONS);
        EXPECT_EQ(DirtyFlag, 0);
        StartAgain();
    }
    // Blocks follow the folder's enumeration order, so compare what they hold rather than the bytes.
    std::string saved = folder.Read("file descriptions.desc");
    EXPECT_EQ(saved.size(), original.size());
    for (int i = 0; i < entries; i += 997) {
        EXPECT_NE(saved.find("<file_name>" + names[i] + "</file_name>"), std::string::npos) << names[i];
    }
}

}  // namespace
