// What qmdesc prints: a folder's catalogue (show) and the entries find meets, as text, CSV, JSON or an
// HTML page. Names and descriptions come in the code page and go out in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "qmdesc/catalogue.h"

enum class Format { Text, Csv, Json, Html };

// The byte-order mark of UTF-8, which spreadsheet programs need to take a CSV as UTF-8.
extern const char Utf8ByteOrderMark[];

// The format named on the command line ("text", "csv", "json", "html"); false for any other name.
bool FormatOfName(const std::string& name, Format& format);

// A folder's catalogue: its path (UTF-8), its description and its entries. withExists adds whether each
// entry is in the folder (show --stored); the text format marks those that are not either way.
std::string CatalogueText(Format format,
                          const std::string& folder,
                          const std::string& folderDescription,
                          const std::vector<CatalogueEntry>& entries,
                          bool withExists);

// One entry find met in folder (UTF-8), for format Text, Csv or Json. first is true for the first
// entry printed; FoundTail closes what the entries opened (JSON's array).
std::string FoundText(Format format, const std::string& folder, const CatalogueEntry& entry, bool first);
std::string FoundTail(Format format, bool found);

// The text with every LF not after a CR made CR LF, as the description dialog stores a line break.
std::string WithCrLfBreaks(const std::string& text);

// Text for a terminal: every control character but a line break or a tab shown as an escape (\x1B,
// \u009B), so that a name cannot carry terminal escape sequences to the screen.
std::string ShownOnTerminal(std::string_view utf8);

// One line of text output, "label: text", with the text's further lines indented under it; the label
// alone when the text is empty.
std::string Labelled(const std::string& label, const std::string& text);

// The first line of a description, as find's text lines show it.
std::string FirstLine(const std::string& description);
