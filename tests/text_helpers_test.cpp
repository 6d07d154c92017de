#include <gtest/gtest.h>

#include <string>

#include "descfile/text_helpers.h"

using namespace std::string_literals;

namespace {

struct Case {
    std::string input;
    std::string expected;
};

TEST(TrimText, StripsEachEndWithItsOwnSet) {
    const Case cases[] = {
        {"  a b  ", "a b"},
        {"\n\n  x  \n", "x"},
        {"\r\n  x\r\n", "\r\n  x"},  // a leading CR stops the leading strip
        {"x\t", "x\t"},
        {"\tx", "\tx"},
        {"x\0\0\0"s, "x"},
        {"\r", ""},
        {"  \r  ", ""},
        {"\n \n", ""},
        {"", ""},
        {"\0x"s, "\0x"s},  // NUL is stripped at the end only
        {"a\r\nb\r\n", "a\r\nb"},
        {"   ", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimText(c.input), c.expected) << "input: " << testing::PrintToString(c.input);
    }
}

TEST(ExtractBetween, TakesTheFirstOfEachMarker) {
    const Case cases[] = {
        {"<a>xy</a>", "xy"},
        {"..<a>\n x \n</a>..", "\n x \n"},
        {"<a></a>", ""},
        {"<a>xy", ""},
        {"xy</a>", ""},
        {"</a><a>xy</a>", ""},
        {"<a>1</a><a>2</a>", "1"},
        {"<A>xy</A>", ""},          // case-sensitive
        {"<a>&amp;</a>", "&amp;"},  // nothing decoded
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractBetween(c.input, "<a>", "</a>"), c.expected) << "input: " << c.input;
    }
}

TEST(ExtractBetween, OverlappingMarkersYieldNothing) {
    // The closing marker is searched from the start, so one that begins inside the opening one counts.
    EXPECT_EQ(ExtractBetween("<ab>", "<ab>", "b>"), "");
    EXPECT_EQ(ExtractBetween("xx", "x", "x"), "");
}

TEST(ExtractFileName, TakesThePartAfterTheLastBackslash) {
    const Case cases[] = {
        {"C:\\data\\photos\\list.desc", "list.desc"},
        {"list.desc", "list.desc"},
        {"C:\\data\\", ""},
        {"C:/data/list.desc", "C:/data/list.desc"},
        {"", ""},
        {"\\\\server\\share\\a b.desc", "a b.desc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFileName(c.input), c.expected) << "input: " << c.input;
    }
}

TEST(ExtractFolderPath, KeepsADriveRootsBackslash) {
    const Case cases[] = {
        {"C:\\Photos\\Garden\\file descriptions.desc", "C:\\Photos\\Garden"},
        {"C:\\a.desc", "C:\\"},
        {"a.desc", ""},
        {"\\\\server\\share\\a.desc", "\\\\server\\share"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFolderPath(c.input), c.expected) << "input: " << c.input;
    }
}

// qmdesc's paths: both separators on Windows, the slash elsewhere; a root keeps its separator, so that
// find at a root prints "/name" and "C:\name", not "//name" or "C:\\name".
TEST(FolderOfPath, AndJoinedPathKeepARootsSeparator) {
    struct PathCase {
        const char* path;
        const char* separators;
        const char* folder;
        char separator;
        const char* joined;  // folder joined with "x"
    };
    const PathCase cases[] = {
        {"/a.desc", "/", "/", '/', "/x"},
        {"/tmp/a.desc", "/", "/tmp", '/', "/tmp/x"},
        {"a.desc", "/", "", '/', "x"},
        {"C:/a.desc", "\\/", "C:/", '\\', "C:/x"},
        {"C:\\Garden \\a.desc", "\\/", "C:\\Garden ", '\\', "C:\\Garden \\x"},
        {"back\\slash", "/", "", '/', "x"},
    };
    for (const PathCase& c : cases) {
        std::string folder = FolderOfPath(c.path, c.separators);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(JoinedPath(folder, "x", c.separator), c.joined) << c.path;
    }
}

TEST(NameEndsInBlankOrDot, AnyNameButDotAndDotDot) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Garden \\a", true}, {"C:\\Dot.", true}, {"C:\\x\\..\\.\\y", false},
        {"/tmp/a.b/c", false},    {"...", true},      {"", false},
    };
    for (const auto& [path, ends] : cases) {
        EXPECT_EQ(NameEndsInBlankOrDot(std::string_view(path)), ends) << path;
    }
}

}  // namespace
