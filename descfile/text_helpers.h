// Small text operations shared by the description file's writer and reader. Every byte is one
// character; no encoding is interpreted.
#pragma once

#include <algorithm>
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

// A view of a path in Char, named so that a string converts to it where the separator tells Char.
template <typename Char>
struct PathView {
    using Type = std::basic_string_view<Char>;
};

// The folder part of a path: everything before its last separator (any of separators), keeping the
// separator of a root ("C:\a.desc" gives "C:\", "/a.desc" gives "/"); empty when the path holds none.
// The window's paths separate by backslashes only; qmdesc's by its system's separators.
template <typename Char>
std::basic_string<Char> FolderOfPath(typename PathView<Char>::Type path, const Char* separators) {
    size_t slash = path.find_last_of(separators);
    if (slash == std::basic_string_view<Char>::npos) {
        return std::basic_string<Char>();
    }
    // "C:" alone would name the drive's current folder, not its root; "" would name no folder at all.
    bool root = slash == 0 || (slash == 2 && path[1] == Char(':'));
    return std::basic_string<Char>(path.substr(0, root ? slash + 1 : slash));
}

// folder and name with one separator between; a folder that ends in one already (a root) gets no other.
template <typename Char>
std::basic_string<Char> JoinedPath(typename PathView<Char>::Type folder,
                                   typename PathView<Char>::Type name,
                                   Char separator) {
    std::basic_string<Char> joined(folder);
    if (!joined.empty() && joined.back() != separator && joined.back() != Char('/')) {
        joined += separator;
    }
    return joined.append(name);
}

// True when a name of path (a std::string_view or std::wstring_view), between backslashes or slashes,
// ends in a blank or a dot, which Windows drops from a path it is given; "." and ".." are no such names.
template <typename View>
bool NameEndsInBlankOrDot(View path) {
    using Char = typename View::value_type;
    const Char separators[] = {Char('\\'), Char('/'), Char(0)};
    for (size_t start = 0; start <= path.size();) {
        size_t end = std::min(path.find_first_of(separators, start), path.size());
        View name = path.substr(start, end - start);
        bool dots = name.find_first_not_of(Char('.')) == View::npos && name.size() <= 2;
        if (!dots && (name.back() == Char(' ') || name.back() == Char('.'))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// FolderOfPath of a narrow path of the window's, separated by backslashes.
std::string ExtractFolderPath(std::string_view path);
