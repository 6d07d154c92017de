// Reading the files descriptions are imported from: a CSV of name and description, and the
// descript.ion files that file managers keep. Both give rows of UTF-8 text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One description a file brings in, with the line it starts on.
struct ImportedRow {
    size_t line = 0;
    std::string name;
    std::string text;
};

// True when bytes are UTF-8 throughout: no overlong form, no encoded surrogate, nothing past U+10FFFF.
// firstBad, when given, receives where the first byte that is not lies.
bool IsUtf8(std::string_view bytes, size_t* firstBad = nullptr);

// The rows of a CSV (RFC 4180, UTF-8, a byte-order mark skipped; fields separated by commas, or by
// semicolons when its header row holds more of those) whose header row names a "name" and a
// "description" column, in any order and letter case, among others. Each malformed row, or a missing
// header, adds a line to problems ("line N: ...").
std::vector<ImportedRow> ReadCsvRows(std::string_view text, std::vector<std::string>& problems);

// The text encodings of a descript.ion file.
enum class DescriptIonEncoding { CodePage, Oem, Utf8 };

// How a descript.ion file is spelt: a byte-order mark says so; otherwise text that is valid UTF-8 and
// not plain ASCII (its multi-line endings aside) is UTF-8, said in guess; anything else is in given, the
// code page unless the user said otherwise. UTF-16 with a byte-order mark is returned converted to UTF-8.
DescriptIonEncoding EncodingOfDescriptIon(std::string& bytes,
                                          DescriptIonEncoding given,
                                          bool givenByUser,
                                          std::string* guess);

// The rows of a descript.ion file: one line an entry, the name (in double quotes when it holds a blank)
// then blanks or a tab and the description; a multi-line description holds "\n" between its lines and
// ends with the bytes 0x04 0xC2 (or 0x04 and U+FFFD or "Â", left by an earlier conversion). decode turns
// one line's bytes, its ending removed, into UTF-8; quotes, blanks and "\n" are found in that text.
std::vector<ImportedRow> ReadDescriptIonRows(std::string_view bytes, std::string (*decode)(std::string_view));

// The rows of a descript.ion file as import reads them: spelt as EncodingOfDescriptIon finds, in UTF-8.
std::vector<ImportedRow> ReadDescriptIon(std::string bytes,
                                         DescriptIonEncoding given,
                                         bool givenByUser,
                                         std::string* guess);

// Why a descript.ion line cannot carry an entry (name and description in the bytes of the output) so
// that it reads back the same, line breaks aside; "" when it can.
std::string DescriptIonCannotHold(const std::string& name, const std::string& description);

// A descript.ion line for an entry (name and description in the bytes of the output, line breaks CR LF
// or LF), with its line end.
std::string DescriptIonLine(const std::string& name, const std::string& description);

// A descript.ion file of the entries with a description (name and text in the code page): in the code
// page, or in UTF-8 with a byte-order mark when utf8 is set or when a reader would take the code page's
// bytes for UTF-8. The entries it cannot hold are left out and named in leftOut (UTF-8), with why.
std::string DescriptIonFile(const std::vector<ImportedRow>& entries,
                            bool utf8,
                            std::string (*toUtf8)(std::string_view),
                            std::vector<std::string>& leftOut);
