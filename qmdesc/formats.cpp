#include "qmdesc/formats.h"

#include <cstdio>

#include "qmdesc/system.h"

namespace {

const char GoneMark[] = " (not in the folder)";

// Every line after the first indented, so that a description of several lines stays under its name;
// the dialog's CR LF line breaks end as LF, the terminal's own.
std::string Indented(const std::string& text) {
    std::string indented;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        indented += text[i];
        if (text[i] == '\n') {
            indented += "    ";
        }
    }
    return indented;
}

// A CSV field: quoted when it holds a comma, a quote, a line break or a blank at either end. Its bytes
// stay as they are (a name on Linux can hold a lone LF), so that it reads back exactly.
std::string CsvField(const std::string& text) {
    bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                  (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) {
        return text;
    }
    std::string field = "\"";
    for (char c : text) {
        field += c == '"' ? "\"\"" : std::string(1, c);
    }
    return field + "\"";
}

std::string CsvRow(std::initializer_list<std::string> fields) {
    std::string row;
    const char* separator = "";
    for (const std::string& field : fields) {
        row += separator + CsvField(field);
        separator = ",";
    }
    return row + "\r\n";
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

std::string HtmlText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

const char* YesNo(bool exists) {
    return exists ? "yes" : "no";
}

const char* TrueFalse(bool exists) {
    return exists ? "true" : "false";
}

std::string JsonEntry(const std::string& folder,
                      const std::string& name,
                      const std::string& description,
                      bool exists) {
    std::string object = "{";
    if (!folder.empty()) {
        object += "\"folder\": " + JsonString(folder) + ", ";
    }
    return object + "\"name\": " + JsonString(name) + ", \"description\": " + JsonString(description) +
           ", \"exists\": " + TrueFalse(exists) + "}";
}

// Pre-wrapped cells keep a description's line breaks and a name's blanks; nothing is fetched or run.
const char HtmlHead[] =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
    "'unsafe-inline'\">\n"
    "<title>";
const char HtmlStyle[] =
    "</title>\n<style>\n"
    "body { font-family: sans-serif; margin: 2em; }\n"
    "table { border-collapse: collapse; }\n"
    "th, td { border: 1px solid #bbb; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }\n"
    "td, .folder-description { white-space: pre-wrap; }\n"
    "tr.gone td { color: #777; }\n"
    "</style>\n</head>\n<body>\n";

std::string HtmlPage(const std::string& folder,
                     const std::string& folderDescription,
                     const std::vector<CatalogueEntry>& entries,
                     bool withExists) {
    std::string page = HtmlHead + HtmlText(folder) + HtmlStyle;
    page += "<h1>" + HtmlText(folder) + "</h1>\n";
    page += "<p class=\"folder-description\">" + HtmlText(folderDescription) + "</p>\n";
    page += "<table>\n<thead><tr><th>Name</th><th>Description</th>";
    page += withExists ? "<th>In the folder</th></tr></thead>\n<tbody>\n" : "</tr></thead>\n<tbody>\n";
    for (const CatalogueEntry& entry : entries) {
        page += entry.exists ? "<tr><td>" : "<tr class=\"gone\"><td>";
        page += HtmlText(Utf8OfCodePage(entry.name)) + "</td><td>" +
                HtmlText(Utf8OfCodePage(entry.description)) + "</td>";
        if (withExists) {
            page += std::string("<td>") + YesNo(entry.exists) + "</td>";
        }
        page += "</tr>\n";
    }
    return page + "</tbody>\n</table>\n</body>\n</html>\n";
}

// The first lines of find's CSV: the byte-order mark and the header row.
std::string FoundCsvHead() {
    return Utf8ByteOrderMark + CsvRow({"folder", "name", "description", "exists"});
}

}  // namespace

const char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";

std::string WithCrLfBreaks(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) {
            crlf += '\r';
        }
        crlf += c;
    }
    return crlf;
}

std::string ShownOnTerminal(std::string_view utf8) {
    std::string shown;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = utf8[i], next = i + 1 < utf8.size() ? utf8[i + 1] : 0;
        bool lineBreak = c == '\n' || c == '\t' || (c == '\r' && next == '\n');
        bool c1 = c == 0xC2 && next >= 0x80 && next <= 0x9F;  // U+0080 to U+009F in UTF-8
        if ((c < 0x20 && !lineBreak) || c == 0x7F || c1) {
            char escape[8];
            std::snprintf(escape, sizeof escape, c1 ? "\\u%04X" : "\\x%02X", c1 ? next : c);
            shown += escape;
            i += c1;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

std::string Labelled(const std::string& label, const std::string& text) {
    return text.empty() ? label + "\n" : label + ": " + Indented(text) + "\n";
}

bool FormatOfName(const std::string& name, Format& format) {
    static const std::pair<const char*, Format> names[] = {
        {"text", Format::Text}, {"csv", Format::Csv}, {"json", Format::Json}, {"html", Format::Html}};
    for (const auto& [known, value] : names) {
        if (name == known) {
            format = value;
            return true;
        }
    }
    return false;
}

std::string FirstLine(const std::string& description) {
    return description.substr(0, description.find_first_of("\r\n"));
}

std::string CatalogueText(Format format,
                          const std::string& folder,
                          const std::string& folderDescription,
                          const std::vector<CatalogueEntry>& entries,
                          bool withExists) {
    std::string out;
    switch (format) {
        case Format::Text:
            out = Labelled("Folder " + folder, Utf8OfCodePage(folderDescription));
            for (const CatalogueEntry& entry : entries) {
                out += Labelled(Utf8OfCodePage(entry.name) + (entry.exists ? "" : GoneMark),
                                Utf8OfCodePage(entry.description));
            }
            return out;
        case Format::Csv:
            out = Utf8ByteOrderMark;
            out += withExists ? CsvRow({"name", "description", "exists"}) : CsvRow({"name", "description"});
            for (const CatalogueEntry& entry : entries) {
                std::string name = Utf8OfCodePage(entry.name);
                std::string description = WithCrLfBreaks(Utf8OfCodePage(entry.description));
                out += withExists ? CsvRow({name, description, YesNo(entry.exists)})
                                  : CsvRow({name, description});
            }
            return out;
        case Format::Json:
            out = "{\n  \"folder\": " + JsonString(folder) +
                  ",\n  \"folder_description\": " + JsonString(Utf8OfCodePage(folderDescription)) +
                  ",\n  \"entries\": [";
            for (size_t i = 0; i < entries.size(); ++i) {
                out += i == 0 ? "\n    " : ",\n    ";
                out += JsonEntry(std::string(), Utf8OfCodePage(entries[i].name),
                                 Utf8OfCodePage(entries[i].description), entries[i].exists);
            }
            return out + (entries.empty() ? "]\n}\n" : "\n  ]\n}\n");
        case Format::Html:
            return HtmlPage(folder, Utf8OfCodePage(folderDescription), entries, withExists);
    }
    return out;
}

std::string FoundText(Format format, const std::string& folder, const CatalogueEntry& entry, bool first) {
    std::string name = Utf8OfCodePage(entry.name);
    switch (format) {
        case Format::Csv:
            return (first ? FoundCsvHead() : "") +
                   CsvRow({folder, name, WithCrLfBreaks(Utf8OfCodePage(entry.description)),
                           YesNo(entry.exists)});
        case Format::Json:
            return (first ? "[\n  " : ",\n  ") +
                   JsonEntry(folder, name, Utf8OfCodePage(entry.description), entry.exists);
        default:
            return Labelled(ShownPath(folder, name) + (entry.exists ? "" : GoneMark),
                            Utf8OfCodePage(FirstLine(entry.description)));
    }
}

std::string FoundTail(Format format, bool found) {
    // Nothing found still makes a whole table or array for the program that reads it.
    if (format == Format::Json) {
        return found ? "\n]\n" : "[]\n";
    }
    if (format == Format::Csv && !found) {
        return FoundCsvHead();
    }
    return std::string();
}
