#include "descfile/text_helpers.h"

std::string_view TrimView(std::string_view text) {
    size_t end = text.size();
    while (end > 0) {
        char c = text[end - 1];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\0') {
            break;
        }
        --end;
    }
    size_t start = 0;
    while (start < end && (text[start] == ' ' || text[start] == '\n')) {
        ++start;
    }
    return text.substr(start, end - start);
}

std::string TrimText(std::string_view text) {
    return std::string(TrimView(text));
}

std::string_view ViewBetween(std::string_view text, std::string_view opening, std::string_view closing) {
    size_t open = text.find(opening);
    if (open == std::string_view::npos) {
        return std::string_view();
    }
    size_t start = open + opening.size();
    size_t close = text.find(closing);
    if (close == std::string_view::npos || start >= close) {
        return std::string_view();
    }
    return text.substr(start, close - start);
}

std::string ExtractBetween(std::string_view text, std::string_view opening, std::string_view closing) {
    return std::string(ViewBetween(text, opening, closing));
}

std::string ExtractFileName(std::string_view path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) {
        return std::string(path);
    }
    return std::string(path.substr(slash + 1));
}

std::string ExtractFolderPath(std::string_view path) {
    return FolderOfPath(path, "\\");
}
