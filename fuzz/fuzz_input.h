// What the fuzzers share: an input cut into fields, and the checks that stop a run when they fail.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// The input's bytes after the first, split at the first byte.
inline std::vector<std::string> SplitFields(std::string_view input) {
    std::vector<std::string> fields;
    if (input.empty()) {
        return fields;
    }
    char separator = input[0];
    std::string_view rest = input.substr(1);
    for (;;) {
        size_t at = rest.find(separator);
        fields.emplace_back(rest.substr(0, at));
        if (at == std::string_view::npos) {
            break;
        }
        rest = rest.substr(at + 1);
    }
    return fields;
}

// The text with every byte outside printable ASCII as \xNN, for failure messages.
inline std::string Shown(std::string_view text) {
    std::string out;
    for (unsigned char c : text.substr(0, 400)) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (text.size() > 400) {
        out += "...";
    }
    return out;
}

// Stops the run with both values when they differ; libFuzzer keeps the input as a crash.
inline void ExpectEqual(std::string_view actual,
                        std::string_view expected,
                        const char* what,
                        std::string_view about) {
    if (actual == expected) {
        return;
    }
    std::fprintf(stderr, "%s (%s)\n  actual:   \"%s\"\n  expected: \"%s\"\n", what, Shown(about).c_str(),
                 Shown(actual).c_str(), Shown(expected).c_str());
    std::abort();
}

// Stops the run when a condition does not hold.
inline void Expect(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}
