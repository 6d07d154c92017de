#include "qmdesc/import_formats.h"

#include <algorithm>
#include <cctype>

#include "qmdesc/formats.h"
#include "qmdesc/system.h"

namespace {

std::string Lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// UTF-8 of UTF-16 bytes (after their byte-order mark); a lone surrogate becomes U+FFFD.
std::string Utf8OfUtf16(std::string_view bytes, bool bigEndian) {
    std::string utf8;
    auto unit = [&](size_t i) {
        unsigned char a = bytes[i], b = bytes[i + 1];
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | c >> 18);
            utf8 += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// The length of the multi-line ending at the end of line: 0x04 then 0xC2, or what an earlier
// conversion made of 0xC2 (U+FFFD, or "Â" in UTF-8); 0 when it has none.
size_t EndingLength(std::string_view line) {
    for (std::string_view ending : {"\x04\xC2", "\x04\xEF\xBF\xBD", "\x04\xC3\x82"}) {
        if (line.size() >= ending.size() && line.substr(line.size() - ending.size()) == ending) {
            return ending.size();
        }
    }
    return 0;
}

// The separator of a CSV's fields: a semicolon, as spreadsheets write in countries whose decimal mark is
// a comma, when the header row has more of them outside quotes than commas; else a comma.
char CsvSeparator(std::string_view text) {
    size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (size_t i = 0; i < text.size() && (quoted || (text[i] != '\r' && text[i] != '\n')); ++i) {
        quoted ^= text[i] == '"';
        commas += !quoted && text[i] == ',';
        semicolons += !quoted && text[i] == ';';
    }
    return semicolons > commas ? ';' : ',';
}

// False, with where in firstBad when it is wanted.
bool Bad(size_t where, size_t* firstBad) {
    if (firstBad != nullptr) {
        *firstBad = where;
    }
    return false;
}

}  // namespace

bool IsUtf8(std::string_view bytes, size_t* firstBad) {
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = bytes[i];
        size_t more = c < 0x80                 ? 0
                      : c >= 0xC2 && c <= 0xDF ? 1
                      : c >= 0xE0 && c <= 0xEF ? 2
                      : c >= 0xF0 && c <= 0xF4 ? 3
                                               : 4;
        if (more == 4 || i + more >= bytes.size()) {
            return Bad(i, firstBad);
        }
        // The second byte's range shuts out the overlong forms, the surrogates and what lies past U+10FFFF.
        unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        for (size_t k = 1; k <= more; ++k) {
            unsigned char next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
                return Bad(i, firstBad);
            }
        }
        i += more + 1;
    }
    return true;
}

std::vector<ImportedRow> ReadCsvRows(std::string_view text, std::vector<std::string>& problems) {
    if (text.substr(0, 3) == Utf8ByteOrderMark) {
        text.remove_prefix(3);
    }
    char separator = CsvSeparator(text);
    std::vector<ImportedRow> rows;
    std::vector<std::string> fields;
    long nameColumn = -1, textColumn = -1;
    size_t line = 1, start = 1, i = 0;
    bool header = true;
    while (i <= text.size()) {
        // One record: fields up to a line break outside quotes, or the end.
        fields.clear();
        start = line;
        bool malformed = false, ended = false;
        while (!ended) {
            std::string field;
            if (i < text.size() && text[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= text.size()) {
                        malformed = true;  // no closing quote
                        break;
                    }
                    if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                    } else if (text[i] == '"') {
                        ++i;
                        break;
                    } else {
                        line += text[i] == '\n';
                        field += text[i++];
                    }
                }
                if (!malformed && i < text.size() && text[i] != separator && text[i] != '\r' &&
                    text[i] != '\n') {
                    malformed = true;  // text after the closing quote
                }
            }
            while (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
                malformed |= text[i] == '"';
                field += text[i++];
            }
            fields.push_back(std::move(field));
            if (i < text.size() && text[i] == separator) {
                ++i;
                continue;
            }
            ended = true;
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            ++i;
            ++line;
        }
        if (malformed) {
            problems.push_back("line " + std::to_string(start) + ": a quote out of place");
            continue;
        }
        if (fields.size() == 1 && fields[0].empty()) {
            continue;  // a blank line
        }
        if (header) {
            header = false;
            for (size_t k = 0; k < fields.size(); ++k) {
                std::string column = Lowered(fields[k]);
                nameColumn = column == "name" && nameColumn < 0 ? static_cast<long>(k) : nameColumn;
                textColumn = column == "description" && textColumn < 0 ? static_cast<long>(k) : textColumn;
            }
            if (nameColumn < 0 || textColumn < 0) {
                problems.push_back("line " + std::to_string(start) +
                                   ": the header row names no \"name\" and \"description\" columns");
                return rows;
            }
            continue;
        }
        if (fields.size() <= static_cast<size_t>(std::max(nameColumn, textColumn))) {
            problems.push_back("line " + std::to_string(start) + ": " + std::to_string(fields.size()) +
                               " fields, fewer than the header names");
            continue;
        }
        rows.push_back({start, fields[nameColumn], fields[textColumn]});
    }
    if (header) {
        problems.push_back("line 1: the header row names no \"name\" and \"description\" columns");
    }
    return rows;
}

DescriptIonEncoding EncodingOfDescriptIon(std::string& bytes,
                                          DescriptIonEncoding given,
                                          bool givenByUser,
                                          std::string* guess) {
    if (bytes.compare(0, 3, Utf8ByteOrderMark) == 0) {
        bytes.erase(0, 3);
        return DescriptIonEncoding::Utf8;
    }
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        bytes = Utf8OfUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE');
        return DescriptIonEncoding::Utf8;
    }
    if (givenByUser) {
        return given;
    }
    // The multi-line endings are no UTF-8 of their own: they are left out of the test.
    std::string text;
    bool ascii = true;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t end = bytes.find('\n', from);
        end = end == std::string::npos ? bytes.size() : end;
        std::string_view line = std::string_view(bytes).substr(from, end - from);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line.remove_suffix(EndingLength(line));
        ascii = ascii && std::all_of(line.begin(), line.end(), [](char c) { return (c & 0x80) == 0; });
        text.append(line).append("\n");
        from = end + 1;
    }
    if (ascii || !IsUtf8(text)) {
        return given;
    }
    if (guess) {
        *guess = "read as UTF-8, since it has no byte-order mark and its text is valid UTF-8";
    }
    return DescriptIonEncoding::Utf8;
}

std::vector<ImportedRow> ReadDescriptIonRows(std::string_view bytes,
                                             std::string (*decode)(std::string_view)) {
    std::vector<ImportedRow> rows;
    size_t from = 0, number = 0;
    while (from < bytes.size()) {
        size_t end = bytes.find('\n', from);
        end = end == std::string_view::npos ? bytes.size() : end;
        std::string_view raw = bytes.substr(from, end - from);
        from = end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        size_t ending = EndingLength(raw);
        raw.remove_suffix(ending);
        std::string line = decode(raw);
        if (number == 1 && line.compare(0, 3, Utf8ByteOrderMark) == 0) {
            line.erase(0, 3);  // a byte-order mark left on the first line
        }
        std::string name;
        size_t at = 0;
        if (!line.empty() && line[0] == '"') {
            size_t close = line.find('"', 1);
            if (close == std::string::npos) {
                continue;
            }
            name = line.substr(1, close - 1);
            at = close + 1;
        } else {
            at = line.find_first_of(" \t");
            name = line.substr(0, at);
            at = at == std::string::npos ? line.size() : at;
        }
        at = std::min(line.find_first_not_of(" \t", at), line.size());
        std::string text = line.substr(at);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
            text.pop_back();
        }
        if (ending > 0) {
            // "\n" stands for a line break only on a line that ends as a multi-line description.
            for (size_t k = 0; (k = text.find("\\n", k)) != std::string::npos;) {
                text.replace(k, 2, "\r\n");
                k += 2;
            }
        }
        if (!name.empty()) {
            rows.push_back({number, name, text});
        }
    }
    return rows;
}

std::vector<ImportedRow> ReadDescriptIon(std::string bytes,
                                         DescriptIonEncoding given,
                                         bool givenByUser,
                                         std::string* guess) {
    switch (EncodingOfDescriptIon(bytes, given, givenByUser, guess)) {
        case DescriptIonEncoding::CodePage:
            return ReadDescriptIonRows(bytes, Utf8OfCodePage);
        case DescriptIonEncoding::Oem:
            return ReadDescriptIonRows(bytes, Utf8OfOemCodePage);
        case DescriptIonEncoding::Utf8:
            break;
    }
    return ReadDescriptIonRows(bytes, [](std::string_view line) { return Utf8OfWide(WideOfUtf8(line)); });
}

std::string DescriptIonCannotHold(const std::string& name, const std::string& description) {
    if (name.find_first_of("\r\n") != std::string::npos) {
        return "its name holds a line break";
    }
    if (name.find('"') != std::string::npos) {
        return "its name holds a double quote";
    }
    if (description.find('\x04') != std::string::npos) {
        return "its description holds the character Ctrl+D, which marks a description of several lines";
    }
    if (description.find_first_of("\r\n") != std::string::npos &&
        description.find("\\n") != std::string::npos) {
        return "its description has several lines and holds the two characters \\n, which stand for a line "
               "break";
    }
    if (!description.empty() && (description.front() == ' ' || description.front() == '\t' ||
                                 description.back() == ' ' || description.back() == '\t')) {
        return "its description starts or ends with a blank or a tab";
    }
    return "";
}

std::string DescriptIonLine(const std::string& name, const std::string& description) {
    std::string line = name.find_first_of(" \t") != std::string::npos ? "\"" + name + "\" " : name + " ";
    bool multiLine = false;
    for (size_t i = 0; i < description.size(); ++i) {
        if (description[i] == '\r' && i + 1 < description.size() && description[i + 1] == '\n') {
            continue;
        }
        if (description[i] == '\n' || description[i] == '\r') {
            line += "\\n";
            multiLine = true;
        } else {
            line += description[i];
        }
    }
    return line + (multiLine ? "\x04\xC2\r\n" : "\r\n");
}

std::string DescriptIonFile(const std::vector<ImportedRow>& entries,
                            bool utf8,
                            std::string (*toUtf8)(std::string_view),
                            std::vector<std::string>& leftOut) {
    std::string bytes;
    for (int pass = utf8 ? 1 : 0; pass < 2; ++pass) {
        bytes = pass == 1 ? Utf8ByteOrderMark : "";
        leftOut.clear();
        for (const ImportedRow& entry : entries) {
            std::string name = pass == 1 ? toUtf8(entry.name) : entry.name;
            std::string text = pass == 1 ? toUtf8(entry.text) : entry.text;
            std::string why = text.empty() ? "" : DescriptIonCannotHold(name, text);
            if (!why.empty()) {
                leftOut.push_back(toUtf8(entry.name) + ": " + why);
            } else if (!text.empty()) {
                bytes += DescriptIonLine(name, text);
            }
        }
        // Code-page bytes that a reader would take for UTF-8, or that start as a byte-order mark does,
        // are written in UTF-8 with a byte-order mark instead, which every reader takes as it is.
        std::string guessed = bytes;
        if (pass == 0 && EncodingOfDescriptIon(guessed, DescriptIonEncoding::CodePage, false, nullptr) ==
                             DescriptIonEncoding::CodePage) {
            break;
        }
    }
    return bytes;
}
