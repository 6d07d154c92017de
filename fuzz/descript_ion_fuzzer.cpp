// Fuzzes the descript.ion import on raw bytes, and the round trip of what `export --descript-ion` writes.
//
// The input is read twice:
//  1. As a descript.ion file, read as import reads it with each encoding it can be told or guess.
//  2. As entries: the first byte is a separator, the rest is split at it into name and description
//     pairs (in the code page; a name is never empty, as in a folder). Exported in the code page and in
//     UTF-8, the entries the format can hold must import back, in order and with the import's own guess
//     of the encoding: each name exactly as the code page spells it in UTF-8, each description likewise
//     with its line breaks (CR LF, CR or LF) as CR LF. The others must be named as left out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "qmdesc/import_formats.h"
#include "qmdesc/system.h"

namespace {

// Every line break (CR LF, a lone CR or a lone LF) as CR LF.
std::string CrLfBreaks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    for (DescriptIonEncoding given :
         {DescriptIonEncoding::CodePage, DescriptIonEncoding::Oem, DescriptIonEncoding::Utf8}) {
        for (bool givenByUser : {false, true}) {
            std::string guess;
            for (const ImportedRow& row : ReadDescriptIon(std::string(raw), given, givenByUser, &guess)) {
                Expect(!row.name.empty() && row.line >= 1, "a row without a name or a line");
            }
        }
    }

    std::vector<std::string> fields = SplitFields(raw);
    std::vector<ImportedRow> entries;
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (!fields[i].empty()) {
            entries.push_back({0, fields[i], fields[i + 1]});
        }
    }
    for (bool utf8 : {false, true}) {
        std::vector<std::string> leftOut;
        std::string bytes = DescriptIonFile(entries, utf8, Utf8OfCodePage, leftOut);
        std::vector<ImportedRow> rows = ReadDescriptIon(bytes, DescriptIonEncoding::CodePage, false, nullptr);
        bool asUtf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
        Expect(asUtf8 || !utf8, "an export asked for in UTF-8 has no byte-order mark");
        size_t row = 0, left = 0;
        for (const ImportedRow& entry : entries) {
            std::string name = Utf8OfCodePage(entry.name), text = Utf8OfCodePage(entry.text);
            if (text.empty()) {
                continue;
            }
            if (!DescriptIonCannotHold(asUtf8 ? name : entry.name, asUtf8 ? text : entry.text).empty()) {
                Expect(left < leftOut.size() && leftOut[left].compare(0, name.size() + 2, name + ": ") == 0,
                       "an entry left out is not named");
                ++left;
                continue;
            }
            Expect(row < rows.size(), "an entry the export holds did not read back");
            ExpectEqual(rows[row].name, name, "a name read back", bytes);
            ExpectEqual(rows[row].text, CrLfBreaks(text), "a description read back", bytes);
            ++row;
        }
        Expect(row == rows.size() && left == leftOut.size(), "the export read back more than it was given");
    }
    return 0;
}
