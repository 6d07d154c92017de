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
// drive root (C:\a.desc gives C:\); empty when the path holds no backslash. For narrow and wide paths.
template <typename Char>
std::basic_string<Char> FolderOfPath(std::basic_string_view<Char> path) {
    size_t slash = path.rfind(Char('\\'));
    if (slash == std::basic_string_view<Char>::npos) {
        return std::basic_string<Char>();
    }
    // "C:" alone would name the drive's current folder, not its root.
    return std::basic_string<Char>(path.substr(0, slash == 2 && path[1] == Char(':') ? 3 : slash));
}

// FolderOfPath of a narrow path.
std::string ExtractFolderPath(std::string_view path);
