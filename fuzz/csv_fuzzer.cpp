// Fuzzes the CSV import on raw bytes, and the round trip of what `show --format csv` writes.
//
// The input is read twice:
//  1. As a CSV: ReadCsvRows must take any bytes, and each row it gives must have come from the text.
//  2. As entries: the first byte is a separator, the rest is split at it into name and description
//     pairs (in the code page). Their catalogue as CSV, with and without the exists column, must import
//     back with no problem, row for row: each name exactly as the code page spells it in UTF-8, each
//     description likewise with every lone LF as CR LF, as the catalogue writes a description's lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "qmdesc/formats.h"
#include "qmdesc/import_formats.h"
#include "qmdesc/system.h"

namespace {

// A description's line breaks as the CSV holds them: a LF not after a CR gets one.
std::string WithCrBeforeLf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    for (const ImportedRow& row : ReadCsvRows(raw, problems)) {
        Expect(row.line >= 1 && row.name.size() + row.text.size() <= raw.size(),
               "a row the CSV did not hold");
    }

    std::vector<std::string> fields = SplitFields(raw);
    std::vector<CatalogueEntry> entries;
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        entries.push_back({fields[i], fields[i + 1]});
    }
    for (bool withExists : {false, true}) {
        std::string csv = CatalogueText(Format::Csv, "folder", "", entries, withExists);
        problems.clear();
        std::vector<ImportedRow> rows = ReadCsvRows(csv, problems);
        Expect(problems.empty(), "the catalogue's CSV reads with a problem");
        Expect(rows.size() == entries.size(), "the catalogue's CSV reads back another number of rows");
        for (size_t i = 0; i < rows.size(); ++i) {
            ExpectEqual(rows[i].name, Utf8OfCodePage(entries[i].name), "a name read back", csv);
            ExpectEqual(rows[i].text, WithCrBeforeLf(Utf8OfCodePage(entries[i].description)),
                        "a description read back", csv);
        }
    }
    return 0;
}
