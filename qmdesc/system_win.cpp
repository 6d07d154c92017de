#include "qmdesc/system.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>

#include "qmdesc/formats.h"
#include "store/exact_names.h"
#include "store/folder_enum.h"

// WideCharToMultiByte, or a test's stand-in that keeps Windows' documented rules for CP_UTF8 (Wine 8
// takes flags and a used-default pointer with it, where Windows fails the call).
int(WINAPI* WideToCodePageSeam)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL) = WideCharToMultiByte;

namespace {

UINT CodePage = CP_ACP;

// The code page's number: the ANSI one's when it is CP_ACP, which may be 65001 by the user's choice.
UINT CodePageNumber() {
    return CodePage == CP_ACP ? GetACP() : CodePage;
}

}  // namespace

bool UseCodePage(unsigned codePage, std::string& reason) {
    CPINFO info;
    if (codePage != 0 && !GetCPInfo(codePage, &info)) {
        reason = "this system has no code page " + std::to_string(codePage);
        return false;
    }
    CodePage = codePage == 0 ? CP_ACP : codePage;
    return true;
}

bool WritesInCodePage(std::string& reason) {
    if (CodePageNumber() == GetACP()) {
        return true;
    }
    reason = "--codepage " + std::to_string(CodePage) +
             " is only for show, find and check: Quillmark lists " + "names in the ANSI code page, " +
             std::to_string(GetACP()) + ", and qmdesc writes only in it";
    return false;
}

std::string Utf8OfCodePage(std::string_view bytes) {
    // Windows gives U+FFFD for what the code page leaves undefined.
    return BytesOfWide(CP_UTF8, WideOfBytes(CodePage, bytes));
}

std::string Utf8OfOemCodePage(std::string_view bytes) {
    return BytesOfWide(CP_UTF8, WideOfBytes(CP_OEMCP, bytes));
}

std::string CodePageOfUtf8(std::string_view utf8) {
    return BytesOfWide(CodePage, WideOfBytes(CP_UTF8, utf8));
}

bool ExactCodePageOfUtf8(std::string_view utf8, std::string& bytes) {
    bytes.clear();
    if (utf8.empty()) {
        return true;
    }
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                   nullptr, 0);
    if (size == 0) {
        return false;
    }
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], size);
    UINT number = CodePageNumber();
    // UTF-8 and UTF-7 hold every character and take neither best-fit flags nor a used-default pointer;
    // the ISO 2022 and ISCII code pages, UTF-7 and Symbol take no flags.
    bool unicode = number == CP_UTF8 || number == CP_UTF7;
    bool noFlags = unicode || number == 42 || (number >= 50220 && number <= 50229) ||
                   (number >= 57002 && number <= 57011);
    DWORD flags = number == CP_UTF8 ? WC_ERR_INVALID_CHARS : noFlags ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    BOOL* lostAt = unicode ? nullptr : &lost;
    int length = WideToCodePageSeam(number, flags, wide.data(), size, nullptr, 0, nullptr, lostAt);
    bytes.resize(length);
    WideToCodePageSeam(number, flags, wide.data(), size, &bytes[0], length, nullptr, lostAt);
    return !lost && length > 0;
}

std::wstring WideOfUtf8(std::string_view utf8) {
    return WideOfBytes(CP_UTF8, utf8);
}

std::string Utf8OfWide(std::wstring_view wide) {
    return BytesOfWide(CP_UTF8, wide);
}

std::wstring FoldedCase(std::wstring text) {
    if (!text.empty()) {
        CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    }
    return text;
}

wchar_t FoldedChar(wchar_t c) {
    CharLowerBuffW(&c, 1);
    return c;
}

std::vector<std::string> ArgumentsInUtf8(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i) {
        arguments.push_back(Utf8OfWide(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

namespace {

std::string OutputBuffer;

bool IsConsole(HANDLE handle) {
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

// Writes all of the UTF-8 text to the handle: to a console as wide characters, elsewhere as the bytes.
// False, with GetLastError, when a write fails.
bool WriteAll(HANDLE handle, std::string_view utf8) {
    if (IsConsole(handle)) {
        std::wstring wide = WideOfUtf8(utf8);
        for (size_t at = 0; at < wide.size();) {
            // In pieces a console takes, never between the two halves of a surrogate pair.
            size_t piece = std::min<size_t>(wide.size() - at, 8192);
            if (at + piece < wide.size() && IS_HIGH_SURROGATE(wide[at + piece - 1])) {
                --piece;
            }
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(piece), &written, nullptr) ||
                written == 0) {
                return false;
            }
            at += written;
        }
        return true;
    }
    while (!utf8.empty()) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(std::min<size_t>(utf8.size(), 1 << 20));
        if (!WriteFile(handle, utf8.data(), piece, &written, nullptr) || written == 0) {
            return false;
        }
        utf8.remove_prefix(written);
    }
    return true;
}

// Ends qmdesc after a write to standard output failed, with exit 2 and one line on standard error; a
// pipe whose reader has gone gets no line, as that reader wants nothing more.
[[noreturn]] void EndForFailedOutput(DWORD error) {
    // Windows says ERROR_NO_DATA, Wine ERROR_PIPE_NOT_CONNECTED.
    if (error != ERROR_NO_DATA && error != ERROR_BROKEN_PIPE && error != ERROR_PIPE_NOT_CONNECTED) {
        WriteAll(GetStdHandle(STD_ERROR_HANDLE),
                 "qmdesc: standard output cannot be written: " + SystemErrorText(error) + "\n");
    }
    ExitProcess(2);
}

}  // namespace

void WriteOutput(std::string_view utf8) {
    static const bool console = IsConsole(GetStdHandle(STD_OUTPUT_HANDLE));
    OutputBuffer += console ? ShownOnTerminal(utf8) : std::string(utf8);
    if (OutputBuffer.size() > 64 * 1024) {
        FlushOutput();
    }
}

void WriteError(std::string_view utf8) {
    FlushOutput();
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), utf8);
}

void FlushOutput() {
    if (!WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), OutputBuffer)) {
        EndForFailedOutput(GetLastError());
    }
    OutputBuffer.clear();
}

bool ErrorIsTerminal() {
    return IsConsole(GetStdHandle(STD_ERROR_HANDLE));
}

long long MillisecondsNow() {
    return static_cast<long long>(GetTickCount64());
}

const char PathSeparators[] = "\\/";
const char PathSeparator = '\\';
const bool NamesIgnoreCase = true;
const bool StoresFolderPath = true;

std::string ReadStandardInput() {
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (IsConsole(input)) {
        // Typed text as the wide characters it is, up to a line's Ctrl+Z, the console's end of input.
        std::wstring wide;
        wchar_t typed[4096];
        while (ReadConsoleW(input, typed, 4096, &got, nullptr) && got > 0) {
            std::wstring_view piece(typed, got);
            wide += piece.substr(0, piece.find(L'\x1A'));
            if (piece.find(L'\x1A') != std::wstring_view::npos) {
                break;
            }
        }
        return Utf8OfWide(wide);
    }
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

bool Utf8OfConsoleBytes(std::string_view bytes, std::string& utf8, unsigned& codePage) {
    // cmd's echo writes to a pipe in the console's output code page.
    codePage = GetConsoleOutputCP();
    if (codePage == 0 || codePage == CP_UTF8) {
        return false;
    }
    utf8 = BytesOfWide(CP_UTF8, WideOfBytes(codePage, bytes));
    return true;
}

std::string CoreFileName(const std::string& utf8) {
    return BytesOfWide(CP_ACP, WideOfBytes(CP_UTF8, utf8));
}

bool ListFolder(std::vector<std::string>& names, std::vector<std::string>* subfolders, std::string& reason) {
    std::vector<EntryKind> kinds;
    if (!ListCurrentFolder(names, reason, &kinds)) {
        return false;
    }
    // Listed in the ANSI code page; in another one chosen, spelled in it as its descriptions are.
    if (CodePageNumber() != GetACP()) {
        for (size_t i = 0; i < names.size() && i < ListedExactNames.size(); ++i) {
            names[i] = BytesOfWide(CodePage, ListedExactNames[i]);
        }
    }
    if (subfolders != nullptr) {
        subfolders->clear();
        // The exact wide names, since an ANSI name may lead to another folder or to none.
        for (size_t i = 0; i < kinds.size(); ++i) {
            const std::wstring& name = ListedExactNames[i];
            if (kinds[i].folder && !kinds[i].link && name != L"." && name != L"..") {
                subfolders->push_back(Utf8OfWide(name));
            }
        }
    }
    return true;
}
