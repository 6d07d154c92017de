#include "qmdesc/system.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "qmdesc/formats.h"
#include "store/exact_names.h"
#include "store/folder_enum.h"

namespace {

UINT CodePage = CP_ACP;

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
    BOOL lost = FALSE;
    int length =
        WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lost);
    bytes.resize(length);
    WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, &bytes[0], length, nullptr, &lost);
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

void WriteTo(DWORD which, std::string_view utf8) {
    HANDLE handle = GetStdHandle(which);
    DWORD written = 0;
    if (IsConsole(handle)) {
        std::wstring wide = WideOfUtf8(utf8);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
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
    WriteTo(STD_ERROR_HANDLE, utf8);
}

void FlushOutput() {
    WriteTo(STD_OUTPUT_HANDLE, OutputBuffer);
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
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

std::string CoreFileName(const std::string& utf8) {
    return BytesOfWide(CP_ACP, WideOfBytes(CP_UTF8, utf8));
}

bool ListFolder(std::vector<std::string>& names, std::vector<std::string>* subfolders, std::string& reason) {
    std::vector<EntryKind> kinds;
    if (!ListCurrentFolder(names, reason, &kinds)) {
        return false;
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
