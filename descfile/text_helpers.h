// Small text operations shared by the description file's writer and reader. Every byte is one
// character; no encoding is interpreted.
#pragma once

#include <string>
#include <string_view>

// The text without leading spaces and line feeds and without trailing spaces, line feeds, carriage
// returns and NUL bytes. A leading carriage return stops the leading strip.
std::string TrimText(std::string_view text);

// The same as TrimText, as a view into text.
std::string_view TrimView(std::string_view text);

// The text between the first opening marker and the first closing marker (both searched from the
// start); empty when either is missing or the closing marker comes first.
std::string ExtractBetween(std::string_view text, std::string_view opening, std::string_view closing);

// The same as ExtractBetween, as a view into text.
std::string_view ViewBetween(std::string_view text, std::string_view opening, std::string_view closing);

// The part of path after its last backslash; the whole path when it holds none.
std::string ExtractFileName(std::string_view path);

// The folder part of a full path: everything before its last backslash, keeping the backslash of a
// drive root (C:\a.desc gives C:\); empty when the path holds no backslash.
std::string ExtractFolderPath(std::string_view path);
