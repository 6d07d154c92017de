#include "qmdesc/find.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/regex.hpp>

#include "qmdesc/catalogue.h"
#include "qmdesc/formats.h"
#include "qmdesc/import_formats.h"
#include "qmdesc/system.h"
#include "store/described_folder.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// Lower case as Windows compares names, whatever the locale, so that "CAFÉ" finds "Café": Boost's own
// traits fold only ASCII letters.
struct FoldingTraits : boost::cpp_regex_traits<wchar_t> {
    using boost::cpp_regex_traits<wchar_t>::translate;
    wchar_t translate_nocase(wchar_t c) const { return FoldedChar(c); }
    wchar_t translate(wchar_t c, bool icase) const { return icase ? FoldedChar(c) : c; }
};

// What find looks for in names and descriptions (code-page bytes).
class Matcher {
  public:
    // False, with the problem, for a regular expression that does not compile.
    bool Prepare(const std::string& text, bool regex, std::string& problem) {
        std::wstring wide = WideOfUtf8(text);
        const auto syntax = boost::regex_constants::ECMAScript | boost::regex_constants::icase;
        if (regex) {
            try {
                pattern_.assign(wide, syntax);
            } catch (const std::runtime_error& error) {
                problem = "'" + text + "' is no regular expression for --regex: " + error.what();
                return false;
            }
            // ASCII text is matched as it is, without a conversion, by the pattern compiled for bytes;
            // that finds what the wide one does only when the pattern is ASCII too.
            try {
                asciiPattern_.assign(IsAscii(text) ? text : std::string(), syntax);
                asciiRegex_ = IsAscii(text);
            } catch (const std::runtime_error&) {
                asciiRegex_ = false;  // "\x{100}": a character no byte holds
            }
        }
        regex_ = regex;
        needle_ = FoldedCase(wide);
        asciiNeedle_ = IsAscii(text) ? LowerAscii(text) : std::string();
        return true;
    }

    // True when bytes hold what is looked for. A regular expression whose match would run away (Boost
    // gives up past a bound of steps and of memory) throws std::runtime_error.
    bool Matches(const std::string& bytes) const {
        if (regex_ && asciiRegex_ && IsAscii(bytes)) {
            return boost::regex_search(bytes.begin(), bytes.end(), asciiPattern_);
        }
        if (regex_) {
            std::wstring wide = WideOfUtf8(Utf8OfCodePage(bytes));
            return boost::regex_search(wide.cbegin(), wide.cend(), pattern_);
        }
        // Most names and descriptions are ASCII: they need no conversion to be compared.
        if (!asciiNeedle_.empty() && IsAscii(bytes)) {
            return std::search(bytes.begin(), bytes.end(), asciiNeedle_.begin(), asciiNeedle_.end(),
                               [](char a, char b) { return LowerAscii(a) == b; }) != bytes.end();
        }
        return FoldedCase(WideOfUtf8(Utf8OfCodePage(bytes))).find(needle_) != std::wstring::npos;
    }

  private:
    static bool IsAscii(const std::string& text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    }
    static char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
    static std::string LowerAscii(std::string text) {
        for (char& c : text) {
            c = LowerAscii(c);
        }
        return text;
    }

    bool regex_ = false;
    bool asciiRegex_ = false;
    std::wstring needle_;
    std::string asciiNeedle_;
    boost::basic_regex<wchar_t, FoldingTraits> pattern_;
    boost::basic_regex<char, boost::cpp_regex_traits<char>> asciiPattern_;
};

// A line on the terminal that says how far the walk is, once it runs past a second.
class Progress {
  public:
    void Show(size_t folders, const std::string& folder) {
        long long now = MillisecondsNow();
        if (!terminal_ || now - start_ < 1000 || now - shown_ < 200) {
            return;
        }
        shown_ = now;
        std::string line = std::to_string(folders) + " folders searched, now " + folder;
        std::wstring wide = WideOfUtf8(line);
        if (wide.size() > 78) {
            wide = wide.substr(0, 37) + L"..." + wide.substr(wide.size() - 38);
        }
        size_t width = wide.size();
        wide.append(width_ > width ? width_ - width : 0, L' ');
        width_ = width;
        WriteError("\r" + Utf8OfWide(wide));
    }
    // Removes the line, before an error or at the end.
    void Clear() {
        if (width_ > 0) {
            WriteError("\r" + std::string(width_, ' ') + "\r");
            width_ = 0;
        }
    }

  private:
    bool terminal_ = ErrorIsTerminal();
    long long start_ = MillisecondsNow();
    long long shown_ = 0;
    size_t width_ = 0;
};

// One walk of find: what it looks for, how far it got and whether it found anything.
class Search {
  public:
    Search(const Request& request, const Matcher& matcher) : request_(request), matcher_(matcher) {}

    // Names a problem on standard error, the progress line out of its way.
    void Problem(const std::string& problem) {
        progress_.Clear();
        ReportProblem(problem);
    }

    // Searches the current directory, shown as folder, and gives the folders below it to walk into, in
    // name order; false when it cannot be listed.
    bool Visit(const std::string& folder, std::vector<std::string>& subfolders) {
        LoadedFile file;
        std::vector<std::string> names;
        std::string problem;
        if (!ListCatalogueFolder(folder, names, &subfolders, problem)) {
            Problem(problem);
            return false;
        }
        progress_.Show(++folders_, folder);
        std::sort(subfolders.begin(), subfolders.end());
        auto descriptionFile = std::find_if(names.begin(), names.end(), IsDescriptionFileName);
        if (descriptionFile == names.end()) {
            return true;
        }
        std::string fileName = *descriptionFile;
        if (!LoadCatalogue(fileName, ShownPath(folder, fileName), std::move(names), false, file, problem)) {
            Problem(problem);
            return true;
        }
        // The tables are looked at in place: most entries do not match, and need no copy.
        for (int i = 0; i < FileCount; ++i) {
            Print(folder, FolderFiles[i], FolderDescriptions[i], true);
        }
        for (const CatalogueEntry& entry :
             request_.Has(Stored) ? StoredEntries() : std::vector<CatalogueEntry>()) {
            if (!entry.exists) {
                Print(folder, entry.name, entry.description, false);
            }
        }
        return true;
    }

    // Searches root, entered already, and every folder below it. Each is entered from its parent by its
    // exact name and left for the parent again by "..": a path from the root would be longer than the
    // system takes in a deep tree.
    bool Walk(const std::string& root) {
        // A folder with the folders below it still to search.
        struct Level {
            std::string folder;
            std::vector<std::string> subfolders;
            size_t next = 0;
        };
        std::vector<Level> levels(1, Level{root, {}});
        if (!Visit(root, levels.back().subfolders)) {
            return false;
        }
        while (!levels.empty()) {
            Level& level = levels.back();
            std::string reason;
            if (level.next == level.subfolders.size()) {
                levels.pop_back();
                if (!levels.empty() && !ChangeCurrentFolder("..", &reason, PathForm::Exact)) {
                    Problem(ProblemLine("The folder", levels.back().folder, "cannot be listed", reason));
                    return true;
                }
                continue;
            }
            std::string name = level.subfolders[level.next++];
            std::string folder = ShownPath(level.folder, name);
            if (!ChangeCurrentFolder(name, &reason, PathForm::Exact)) {
                Problem(ProblemLine("The folder", folder, "cannot be listed", reason));
                continue;
            }
            levels.push_back(Level{folder, {}});
            Visit(folder, levels.back().subfolders);
        }
        return true;
    }

    // Ends the output; true when something was found.
    bool Finish() {
        progress_.Clear();
        WriteOutput(FoundTail(request_.format, found_));
        return found_;
    }

  private:
    void Print(const std::string& folder,
               const std::string& name,
               const std::string& description,
               bool exists) {
        bool matches = false;
        try {
            matches = matcher_.Matches(name) || matcher_.Matches(description);
        } catch (const std::runtime_error& error) {
            // Boost's first sentence says why; the others advise on the pattern at length.
            std::string why = error.what();
            size_t advice = why.find(".  ");
            Problem(ProblemLine("The entry", ShownPath(folder, Utf8OfCodePage(name)),
                                "cannot be searched with this --regex",
                                advice == std::string::npos ? why : why.substr(0, advice + 1)));
        }
        if (matches) {
            // CSV and JSON are UTF-8 throughout: a folder whose path is not is named and left out.
            if (request_.format != Format::Text && !IsUtf8(folder)) {
                if (folder != notUtf8_) {
                    Problem(folder + " is a path that is not UTF-8, which csv and json cannot hold; skipped");
                    notUtf8_ = folder;
                }
                return;
            }
            progress_.Clear();
            WriteOutput(FoundText(request_.format, folder, {name, description, exists}, !found_));
            found_ = true;
        }
    }

    const Request& request_;
    const Matcher& matcher_;
    Progress progress_;
    size_t folders_ = 0;
    bool found_ = false;
    std::string notUtf8_;  // the last folder left out for its path
};

}  // namespace

int Find(const Request& request) {
    if (request.format == Format::Html) {
        return UsageError("find prints text, csv or json, not html");
    }
    Matcher matcher;
    std::string problem;
    if (!matcher.Prepare(request.operands[0], request.Has(Regex), problem)) {
        return UsageError(problem);
    }
    std::vector<std::string> roots(request.operands.begin() + 1, request.operands.end());
    if (roots.empty()) {
        roots.push_back(".");
    }
    Search search(request, matcher);
    // Each FOLDER is known from where qmdesc started, before the walk moves away from there.
    std::vector<KnownFolder> known(roots.size());
    std::vector<std::string> reasons(roots.size());
    for (size_t i = 0; i < roots.size(); ++i) {
        KnowFolderAsGiven(roots[i], known[i], reasons[i]);
    }
    // What was found is printed, but a FOLDER that could not be searched is no result to trust.
    bool everyRootRead = true;
    for (size_t i = 0; i < roots.size(); ++i) {
        if (!reasons[i].empty() || !EnterKnownFolder(known[i], reasons[i])) {
            search.Problem(ProblemLine("The folder", roots[i], "cannot be listed", reasons[i]));
            everyRootRead = false;
            continue;
        }
        everyRootRead &= search.Walk(known[i].path);
    }
    bool found = search.Finish();
    if (!everyRootRead) {
        return 2;
    }
    return found ? 0 : 1;
}
