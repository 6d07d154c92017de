#include "qmdesc/system.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwctype>

#include "qmdesc/formats.h"
#include "store/folder_enum.h"

namespace {

std::string CodePageName = "CP1252";

// Converts text from one iconv encoding to another. A sequence the source does not define becomes
// replacement, and the conversion goes on after its first byte.
std::string Convert(std::string_view text,
                    const char* to,
                    const char* from,
                    std::string_view replacement,
                    bool* replaced = nullptr) {
    std::string converted;
    iconv_t converter = iconv_open(to, from);
    bool fromUtf8 = std::string_view(from) == "UTF-8";
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return converted;
    }
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        converted.append(buffer, out - buffer);
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            converted.append(replacement);  // EILSEQ, or EINVAL for a sequence cut off at the end
            if (replaced != nullptr) {
                *replaced = true;
            }
            // A character of UTF-8 is skipped whole.
            do {
                ++in;
                --inLeft;
            } while (fromUtf8 && inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return converted;
}

// UTF-8 with every byte that is not part of a valid sequence made U+FFFD.
std::string ValidUtf8(std::string_view text) {
    return Convert(text, "UTF-8", "UTF-8", "\xEF\xBF\xBD");
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool UseCodePage(unsigned codePage, std::string& reason) {
    std::string name = "CP" + std::to_string(codePage == 0 ? 1252 : codePage);
    iconv_t converter = iconv_open("UTF-8", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        reason = "this system has no code page " + std::to_string(codePage);
        return false;
    }
    iconv_close(converter);
    CodePageName = name;
    // Lower case for every script, not only ASCII.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return true;
}

bool WritesInCodePage(std::string&) {
    // No ANSI code page here: --codepage names the one the files are in.
    return true;
}

std::string Utf8OfCodePage(std::string_view bytes) {
    // Every code page of Windows spells ASCII as ASCII; most text is no more.
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    return Convert(bytes, "UTF-8", CodePageName.c_str(), "\xEF\xBF\xBD");
}

std::string Utf8OfOemCodePage(std::string_view bytes) {
    // The OEM code page of the Windows locales that use each ANSI one.
    static const std::pair<const char*, const char*> oem[] = {
        {"CP1250", "CP852"}, {"CP1251", "CP866"}, {"CP1252", "CP850"},
        {"CP1253", "CP737"}, {"CP1254", "CP857"}, {"CP1255", "CP862"},
        {"CP1256", "CP720"}, {"CP1257", "CP775"}, {"CP1258", "CP1258"}};
    const char* name = CodePageName.c_str();  // the double-byte code pages are their own OEM ones
    for (const auto& [ansi, its] : oem) {
        iconv_t converter = CodePageName == ansi ? iconv_open("UTF-8", its) : reinterpret_cast<iconv_t>(-1);
        // An OEM code page this iconv lacks leaves the ANSI one, rather than no text at all.
        if (converter != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(converter);
            name = its;
        }
    }
    return IsAscii(bytes) ? std::string(bytes) : Convert(bytes, "UTF-8", name, "\xEF\xBF\xBD");
}

std::string CodePageOfUtf8(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    // Best-fit letters where the code page has a near one, as Windows spells a name.
    return Convert(utf8, (CodePageName + "//TRANSLIT").c_str(), "UTF-8", "?");
}

bool ExactCodePageOfUtf8(std::string_view utf8, std::string& bytes) {
    bool replaced = false;
    bytes = IsAscii(utf8) ? std::string(utf8) : Convert(utf8, CodePageName.c_str(), "UTF-8", "?", &replaced);
    return !replaced;
}

std::wstring WideOfUtf8(std::string_view utf8) {
    std::string bytes = Convert(ValidUtf8(utf8), "WCHAR_T", "UTF-8", "");
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::string Utf8OfWide(std::wstring_view wide) {
    return Convert(
        std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)), "UTF-8",
        "WCHAR_T", "\xEF\xBF\xBD");
}

std::wstring FoldedCase(std::wstring text) {
    for (wchar_t& c : text) {
        c = FoldedChar(c);
    }
    return text;
}

wchar_t FoldedChar(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

std::vector<std::string> ArgumentsInUtf8(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

namespace {

std::string OutputBuffer;

// Writes all of text to the file descriptor; false, with errno, when a write fails.
bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Ends qmdesc after a write to standard output failed, with exit 2 and one line on standard error; a
// pipe whose reader has gone gets no line, as that reader wants nothing more.
[[noreturn]] void EndForFailedOutput(int error) {
    if (error != EPIPE) {
        WriteAll(STDERR_FILENO,
                 "qmdesc: standard output cannot be written: " + SystemErrorText(error) + "\n");
    }
    std::_Exit(2);
}

}  // namespace

void WriteOutput(std::string_view utf8) {
    static const bool terminal = isatty(STDOUT_FILENO) != 0;
    OutputBuffer += terminal ? ShownOnTerminal(utf8) : std::string(utf8);
    if (OutputBuffer.size() > 64 * 1024) {
        FlushOutput();
    }
}

void WriteError(std::string_view utf8) {
    FlushOutput();
    WriteAll(STDERR_FILENO, utf8);
}

void FlushOutput() {
    if (!WriteAll(STDOUT_FILENO, OutputBuffer)) {
        EndForFailedOutput(errno);
    }
    OutputBuffer.clear();
}

bool ErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

long long MillisecondsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char PathSeparators[] = "/";
const char PathSeparator = '/';
const bool NamesIgnoreCase = false;
const bool StoresFolderPath = false;
std::string WatchStopEventName;

std::string ReadStandardInput() {
    std::string text;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        text.append(buffer, got);
    }
    return text;
}

bool Utf8OfConsoleBytes(std::string_view, std::string&, unsigned&) {
    return false;
}

std::string CoreFileName(const std::string& utf8) {
    return utf8;
}

bool ListFolder(std::vector<std::string>& names, std::vector<std::string>* subfolders, std::string& reason) {
    std::vector<EntryKind> kinds;
    if (!ListCurrentFolder(names, reason, &kinds)) {
        return false;
    }
    if (subfolders != nullptr) {
        subfolders->clear();
        for (size_t i = 0; i < kinds.size(); ++i) {
            if (kinds[i].folder && !kinds[i].link && names[i] != "." && names[i] != "..") {
                subfolders->push_back(names[i]);
            }
        }
    }
    // The folder's names are UTF-8 here; the stored names are bytes of the code page.
    for (std::string& name : names) {
        if (!IsAscii(name)) {
            name = CodePageOfUtf8(name);
        }
    }
    return true;
}
