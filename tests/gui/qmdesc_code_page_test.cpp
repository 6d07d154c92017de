// qmdesc's conversions to the code page as Windows makes them, where Wine differs from Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "qmdesc/system.h"

// qmdesc's WideCharToMultiByte, which these tests replace.
extern int(WINAPI* WideToCodePageSeam)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);

namespace {

// WideCharToMultiByte with the rules Windows documents for CP_UTF8 and CP_UTF7: flags other than
// WC_ERR_INVALID_CHARS (UTF-8 only) or a default-character pointer fail the call. Wine 8 takes such a
// call and converts, so a run under Wine alone would never see Windows refuse every text.
int WINAPI WideToCodePageAsWindows(UINT codePage,
                                   DWORD flags,
                                   LPCWCH wide,
                                   int size,
                                   LPSTR bytes,
                                   int length,
                                   LPCCH defaultChar,
                                   LPBOOL usedDefault) {
    bool unicode = codePage == CP_UTF8 || codePage == CP_UTF7;
    DWORD allowed = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0;
    if (unicode && (flags & ~allowed) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (unicode && (defaultChar != nullptr || usedDefault != nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WideCharToMultiByte(codePage, flags, wide, size, bytes, length, defaultChar, usedDefault);
}

// Text set and import store: held letter for letter by the code page, or refused, never best-fit.
TEST(QmdescCodePage, ExactConversion) {
    struct Case {
        unsigned codePage;
        std::string utf8;
        bool held;
        std::string bytes;
    } const cases[] = {
        {65001, "\xCE\xA9 caf\xC3\xA9 \xF0\x9F\x8C\xB3", true, "\xCE\xA9 caf\xC3\xA9 \xF0\x9F\x8C\xB3"},
        {65001, "", true, ""},
        {1252, "caf\xC3\xA9", true, "caf\xE9"},
        {1252, "\xCE\xA9", false, ""},
        {1252, "\xC5\x81\xC3\xB3\xC5\xBA", false, ""},  // "Łóź": best fit would make "Loz"
        {1251, "\xD0\x96", true, "\xC6"},
        {65001, "caf\xE9", false, ""},  // not UTF-8
    };
    WideToCodePageSeam = WideToCodePageAsWindows;
    for (const Case& c : cases) {
        std::string reason, bytes;
        ASSERT_TRUE(UseCodePage(c.codePage, reason)) << reason;
        EXPECT_EQ(ExactCodePageOfUtf8(c.utf8, bytes), c.held) << c.codePage << " " << c.utf8;
        if (c.held) {
            EXPECT_EQ(bytes, c.bytes) << c.codePage << " " << c.utf8;
        }
    }
    WideToCodePageSeam = WideCharToMultiByte;
    std::string reason;
    UseCodePage(0, reason);
}

// Only the ANSI code page, in which the window program lists names, may be written in.
TEST(QmdescCodePage, WritesOnlyInTheAnsiCodePage) {
    std::string reason;
    ASSERT_TRUE(UseCodePage(65001, reason));
    EXPECT_FALSE(WritesInCodePage(reason));
    EXPECT_EQ(reason,
              "--codepage 65001 is only for show, find and check: Quillmark lists names in the ANSI code "
              "page, " +
                  std::to_string(GetACP()) + ", and qmdesc writes only in it");
    for (unsigned ansi : {0u, static_cast<unsigned>(GetACP())}) {
        ASSERT_TRUE(UseCodePage(ansi, reason));
        EXPECT_TRUE(WritesInCodePage(reason)) << ansi;
    }
}

}  // namespace
