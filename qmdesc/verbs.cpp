#include "qmdesc/verbs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <regex>
#include <unordered_map>

#include "descfile/text_helpers.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/formats.h"
#include "qmdesc/system.h"
#include "qmdesc/writes.h"
#include "resources/version.h"
#include "store/tables.h"

namespace {

const char Usage[] =
    "usage: qmdesc show [PATH] [--stored] [--format text|csv|json|html]\n"
    "       qmdesc find TEXT [FOLDER...] [--regex] [--stored] [--format text|csv|json]\n"
    "       qmdesc check [PATH]\n"
    "       qmdesc set PATH NAME TEXT|- [--encoding ansi] [--drop-gone]\n"
    "       qmdesc relink PATH OLD NEW [--overwrite] [--drop-gone]\n"
    "       qmdesc import PATH FILE.csv [--encoding ansi] [--overwrite] [--dry-run] [--drop-gone]\n"
    "       qmdesc import --descript-ion PATH [--encoding ansi|oem|utf8] [--overwrite] [--dry-run]\n"
    "       qmdesc export --descript-ion PATH [--encoding utf8] [--overwrite]\n"
    "       qmdesc --help | --version\n";

const char Help[] =
    "qmdesc finds, shows, checks and sets the descriptions Quillmark keeps in \"file descriptions.desc\".\n"
    "\n"
    "  show [PATH]         the folder's description and every entry with its description, as Quillmark\n"
    "                      shows them; PATH is a description file or its folder (default: this folder)\n"
    "    --stored          the descriptions the file holds instead, in file order, with those whose\n"
    "                      entry is gone marked (the next save in Quillmark drops them)\n"
    "    --format F        text (default), csv, json or html\n"
    "  find TEXT [FOLDER...]\n"
    "                      every entry whose name or description holds TEXT, in letter case or not, in\n"
    "                      the FOLDERs (default: this folder) and every folder below them\n"
    "    --regex           TEXT is a regular expression (ECMAScript), in letter case or not\n"
    "    --stored          also the stored descriptions whose entry is gone\n"
    "    --format F        text (default), csv or json\n"
    "  check [PATH]        what to know before the next save: descriptions whose entry is gone, names\n"
    "                      stored twice, marker text, Ctrl+Z bytes, names the code page spells alike\n"
    "  set PATH NAME TEXT  gives the entry NAME the description TEXT (- reads it from standard input,\n"
    "                      UTF-8, or the code page with --encoding ansi); an empty TEXT removes it\n"
    "  relink PATH OLD NEW gives the entry NEW the stored description of OLD, an entry renamed or moved\n"
    "                      outside Quillmark, and drops OLD's\n"
    "    --overwrite       replace the description NEW has\n"
    "  import PATH FILE.csv\n"
    "                      sets descriptions from a CSV of name,description (UTF-8; --encoding ansi:\n"
    "                      the code page); entries that have another description keep it unless\n"
    "                      --overwrite; --dry-run prints what would change\n"
    "  import --descript-ion PATH\n"
    "                      the same from the folder's descript.ion\n"
    "  export --descript-ion PATH\n"
    "                      writes the folder's descript.ion (--encoding utf8: UTF-8; --overwrite: over\n"
    "                      one that exists)\n"
    "  set, relink and import keep the stored descriptions of entries that are gone, and name them;\n"
    "    --drop-gone       drops them instead, as Quillmark's Save does\n"
    "  --codepage N        the code page of names and descriptions (default: the system's ANSI one;\n"
    "                      1252 outside Windows)\n"
    "\n"
    "Exit codes: 0 done or found, 1 nothing found (check: something to report), 2 an error.\n";

// The markers the reader looks for; a name or description holding one is misread after a save.
const char* const Markers[] = {
    "<folder_name>", "<folder_description>", "</folder_description>", "<file>", "</file>", "<file_name>",
    "</file_name>",  "<file_description>",   "</file_description>"};

// What the command line asked for.
struct Request {
    std::string verb;
    std::vector<std::string> operands;
    Format format = Format::Text;
    bool formatGiven = false;
    bool stored = false;
    bool regex = false;
    unsigned codePage = 0;
    WriteOptions write;
};

int UsageError(const std::string& problem) {
    WriteError("qmdesc: " + problem + "\n" + Usage);
    return 2;
}

// Reads the options and operands; false, with the usage error's text in problem, for a wrong one.
bool ParseArguments(const std::vector<std::string>& arguments, Request& request, std::string& problem) {
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            (request.verb.empty() ? request.verb : request.operands.emplace_back()) = argument;
            continue;
        }
        std::string value;
        size_t equals = argument.find('=');
        bool takesValue = argument.compare(0, equals, "--format") == 0 ||
                          argument.compare(0, equals, "--codepage") == 0 ||
                          argument.compare(0, equals, "--encoding") == 0;
        if (takesValue) {
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
                argument.erase(equals);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                problem = argument + " needs a value";
                return false;
            }
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h" || argument == "--version") {
            request.verb = argument == "--version" ? "--version" : "--help";
            return true;
        } else if (argument == "--stored") {
            request.stored = true;
        } else if (argument == "--regex") {
            request.regex = true;
        } else if (argument == "--overwrite") {
            request.write.overwrite = true;
        } else if (argument == "--drop-gone") {
            request.write.dropGone = true;
        } else if (argument == "--dry-run") {
            request.write.dryRun = true;
        } else if (argument == "--descript-ion") {
            request.write.descriptIon = true;
        } else if (argument == "--encoding") {
            if (value != "ansi" && value != "oem" && value != "utf8") {
                problem = "unknown encoding '" + value + "' for --encoding";
                return false;
            }
            request.write.encoding = value;
        } else if (argument == "--format") {
            if (!FormatOfName(value, request.format)) {
                problem = "unknown format '" + value + "' for --format";
                return false;
            }
            request.formatGiven = true;
        } else if (argument == "--codepage") {
            char* end = nullptr;
            unsigned long number = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || number == 0 || number > 65535) {
                problem = "'" + value + "' is no code page number for --codepage";
                return false;
            }
            request.codePage = static_cast<unsigned>(number);
        } else {
            problem = "unknown option '" + arguments[i] + "'";
            return false;
        }
    }
    return true;
}

// The options a verb takes; false, with the problem, for one it does not.
bool CheckOptions(const Request& request, std::string& problem) {
    const std::string& verb = request.verb;
    if (request.regex && verb != "find") {
        problem = "--regex is for find, not " + verb;
    } else if (request.stored && verb == "check") {
        problem = "--stored is for show and find, not check";
    } else if (request.formatGiven && verb == "check") {
        problem = "--format is for show and find, not check";
    } else if (request.format == Format::Html && verb == "find") {
        problem = "find prints text, csv or json, not html";
    } else if (request.write.overwrite && verb != "relink" && verb != "import" && verb != "export") {
        problem = "--overwrite is for relink, import and export, not " + verb;
    } else if (request.write.dropGone && verb != "relink" && verb != "set" && verb != "import") {
        problem = "--drop-gone is for set, relink and import, not " + verb;
    } else if ((request.write.dryRun && verb != "import") ||
               (!request.write.encoding.empty() && verb != "import" && verb != "export" && verb != "set")) {
        problem = std::string(request.write.dryRun ? "--dry-run is for import"
                                                   : "--encoding is for set, import and export") +
                  ", not " + verb;
    } else if (request.write.descriptIon != (verb == "export") && verb != "import") {
        problem = verb == "export" ? "export writes only a descript.ion: give --descript-ion"
                                   : "--descript-ion is for import and export, not " + verb;
    } else if ((verb == "import" || verb == "export") &&
               request.operands.size() != (request.write.descriptIon ? 1u : 2u)) {
        problem = verb + (request.write.descriptIon ? " --descript-ion takes PATH" : " takes PATH FILE.csv");
    } else if (verb == "export" && request.write.encoding == "oem") {
        problem = "export writes the code page or, with --encoding utf8, UTF-8";
    } else if ((verb == "set" || verb == "relink") && request.operands.size() != 3) {
        problem = verb + (verb == "set" ? " takes PATH NAME TEXT" : " takes PATH OLD NEW") +
                  (request.operands.size() > 3 ? "; '" + request.operands[3] + "' is one too many" : "");
    } else if ((request.stored || request.formatGiven) && verb != "show" && verb != "find" &&
               verb != "check") {
        problem =
            std::string(request.stored ? "--stored" : "--format") + " is for show and find, not " + verb;
    } else if ((verb == "show" || verb == "check") && request.operands.size() > 1) {
        problem = verb + " takes one PATH; '" + request.operands[1] + "' is one too many";
    } else if (verb == "find" && request.operands.empty()) {
        problem = "find needs the TEXT to look for";
    }
    return problem.empty();
}

int Show(const Request& request) {
    LoadedFile file;
    if (!LoadPath(request.operands.empty() ? "." : request.operands[0], false, false, file)) {
        return 2;
    }
    std::vector<CatalogueEntry> entries = request.stored ? StoredEntries() : ShownEntries();
    WriteOutput(
        CatalogueText(request.format, file.folder, TrimText(FolderDescription), entries, request.stored));
    return 0;
}

// Lower case as Windows compares names, whatever the locale, so that "CAFÉ" finds "Café".
struct FoldingTraits : std::regex_traits<wchar_t> {
    wchar_t translate_nocase(wchar_t c) const { return FoldedChar(c); }
};

// What find looks for in names and descriptions (code-page bytes).
class Matcher {
  public:
    // False, with the problem, for a regular expression that does not compile.
    bool Prepare(const std::string& text, bool regex, std::string& problem) {
        std::wstring wide = WideOfUtf8(text);
        if (regex) {
            try {
                pattern_.assign(wide, std::regex_constants::ECMAScript | std::regex_constants::icase);
            } catch (const std::regex_error& error) {
                problem = "'" + text + "' is no regular expression for --regex: " + error.what();
                return false;
            }
        }
        regex_ = regex;
        needle_ = FoldedCase(wide);
        asciiNeedle_ = IsAscii(text) ? LowerAscii(text) : std::string();
        return true;
    }

    bool Matches(const std::string& bytes) const {
        if (regex_) {
            return std::regex_search(WideOfUtf8(Utf8OfCodePage(bytes)), pattern_);
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
    std::wstring needle_;
    std::string asciiNeedle_;
    std::basic_regex<wchar_t, FoldingTraits> pattern_;
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

// True when name is the description file's, in the letter case the file system tells apart.
bool IsDescriptionFileName(const std::string& name) {
    if (!NamesIgnoreCase) {
        return name == DescriptionFileName;
    }
    std::string_view wanted = DescriptionFileName;
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// One walk of find: what it looks for, how far it got and whether it found anything.
class Search {
  public:
    Search(const Request& request, const Matcher& matcher) : request_(request), matcher_(matcher) {}

    // Names a problem on standard error, the progress line out of its way.
    void Problem(const std::string& problem) {
        progress_.Clear();
        ReportProblem(problem);
    }

    // Searches folder (a full path) and adds the folders below it to pending, in name order; false when
    // it cannot be listed.
    bool Visit(const std::string& folder, std::vector<std::string>& pending) {
        LoadedFile file;
        std::vector<std::string> names, subfolders;
        std::string reason, problem;
        if (!EnterFolder(folder, reason)) {
            Problem(ProblemLine("The folder", folder, "cannot be listed", reason));
            return false;
        }
        if (!ListCatalogueFolder(file, names, &subfolders, problem)) {
            Problem(problem);
            return false;
        }
        progress_.Show(++folders_, folder);
        std::sort(subfolders.rbegin(), subfolders.rend());
        for (const std::string& subfolder : subfolders) {
            pending.push_back(JoinedPath(folder, subfolder));
        }
        auto descriptionFile = std::find_if(names.begin(), names.end(), IsDescriptionFileName);
        if (descriptionFile == names.end()) {
            return true;
        }
        std::string fileName = *descriptionFile;
        if (!LoadCatalogue(fileName, JoinedPath(folder, fileName), std::move(names), false, file, problem)) {
            Problem(problem);
            return true;
        }
        // The tables are looked at in place: most entries do not match, and need no copy.
        for (int i = 0; i < FileCount; ++i) {
            Print(folder, FolderFiles[i], FolderDescriptions[i], true);
        }
        for (const CatalogueEntry& entry :
             request_.stored ? StoredEntries() : std::vector<CatalogueEntry>()) {
            if (!entry.exists) {
                Print(folder, entry.name, entry.description, false);
            }
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
        if (matcher_.Matches(name) || matcher_.Matches(description)) {
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
};

int Find(const Request& request) {
    Matcher matcher;
    std::string problem;
    if (!matcher.Prepare(request.operands[0], request.regex, problem)) {
        return UsageError(problem);
    }
    std::vector<std::string> roots(request.operands.begin() + 1, request.operands.end());
    if (roots.empty()) {
        roots.push_back(".");
    }
    Search search(request, matcher);
    bool anyRootRead = false;
    // Each FOLDER is taken from where qmdesc started, not from the last folder walked.
    std::string start = CurrentFolderUtf8();
    for (const std::string& root : roots) {
        std::string reason;
        if (!EnterFolder(start, reason) || !EnterFolder(root, reason)) {
            search.Problem(ProblemLine("The folder", root, "cannot be listed", reason));
            continue;
        }
        std::vector<std::string> pending;
        anyRootRead |= search.Visit(CurrentFolderUtf8(), pending);
        while (!pending.empty()) {
            std::string folder = std::move(pending.back());
            pending.pop_back();
            search.Visit(folder, pending);
        }
    }
    bool found = search.Finish();
    if (!anyRootRead) {
        return 2;
    }
    return found ? 0 : 1;
}

// Writes one finding of check, with any lines after the first indented under it.
void Report(const std::string& line, bool& any, const std::string& text = std::string()) {
    WriteOutput(Labelled(line, text));
    any = true;
}

// Reports the markers text holds, where as "in the description of NAME" and the like.
void ReportMarkers(const std::string& text, const std::string& where, bool& any) {
    for (const char* marker : Markers) {
        if (text.find(marker) != std::string::npos) {
            Report("Marker text \"" + std::string(marker) + "\" " + where, any);
        }
    }
}

int Check(const Request& request) {
    LoadedFile file;
    if (!LoadPath(request.operands.empty() ? "." : request.operands[0], true, false, file)) {
        return 2;
    }
    bool any = false;
    for (const CatalogueEntry& entry : StoredEntries()) {
        std::string name = Utf8OfCodePage(entry.name);
        if (entry.repeated) {
            Report("Stored twice, only the first counts: " + name + ": " + Utf8OfCodePage(entry.description),
                   any);
        } else if (!entry.exists && !entry.description.empty()) {
            Report("Not in the folder, dropped by the next save: " + name, any,
                   Utf8OfCodePage(entry.description));
        }
        if (!entry.exists) {
            ReportMarkers(entry.name, "in the stored name " + name, any);
            ReportMarkers(entry.description, "in the description of " + name, any);
        }
    }
    ReportMarkers(FolderDescription, "in the folder description", any);
    std::unordered_map<std::string, int> shown;
    for (const CatalogueEntry& entry : ShownEntries()) {
        if (++shown[entry.name] > 1) {
            continue;  // names the code page spells alike are reported once, below
        }
        std::string name = Utf8OfCodePage(entry.name);
        ReportMarkers(entry.name, "in the name " + name, any);
        ReportMarkers(entry.description, "in the description of " + name, any);
    }
    if (file.ctrlZ != std::string::npos) {
        Report("A Ctrl+Z byte at byte " + std::to_string(file.ctrlZ) + ": the " +
                   std::to_string(file.bytes - file.ctrlZ - 1) + " bytes after it are not read",
               any);
    }
    if (!file.cutOffName.empty()) {
        Report("The file ends inside the block of " + Utf8OfCodePage(file.cutOffName) +
                   ": its description is cut off",
               any);
    }
    std::map<std::string, int> listed;
    for (const std::string& name : file.listed) {
        ++listed[name];
    }
    for (const auto& [name, count] : listed) {
        if (count > 1) {
            Report("Names the code page spells alike: " + std::to_string(count) + " entries are listed as " +
                       Utf8OfCodePage(name) + " and share one description",
                   any);
        }
    }
    return any ? 1 : 0;
}

}  // namespace

int RunQmdesc(const std::vector<std::string>& arguments) {
    Request request;
    std::string problem;
    if (!ParseArguments(arguments, request, problem)) {
        return UsageError(problem);
    }
    if (request.verb == "--help") {
        WriteOutput(std::string(Usage) + "\n" + Help);
        return 0;
    }
    if (request.verb == "--version") {
        WriteOutput("qmdesc " QUILLMARK_VERSION_TEXT "\n");
        return 0;
    }
    if (request.verb.empty()) {
        return UsageError("no command given");
    }
    static const char* const verbs[] = {"show", "find", "check", "set", "relink", "import", "export"};
    if (std::find(std::begin(verbs), std::end(verbs), request.verb) == std::end(verbs)) {
        return UsageError("unknown command '" + request.verb + "'");
    }
    if (!CheckOptions(request, problem)) {
        return UsageError(problem);
    }
    if (!UseCodePage(request.codePage, problem)) {
        return UsageError(problem);
    }
    if (request.verb == "show") {
        return Show(request);
    }
    if (request.verb == "set") {
        return SetDescription(request.operands, request.write);
    }
    if (request.verb == "relink") {
        return Relink(request.operands, request.write);
    }
    if (request.verb == "import") {
        return Import(request.operands, request.write);
    }
    if (request.verb == "export") {
        return ExportDescriptIon(request.operands, request.write);
    }
    return request.verb == "find" ? Find(request) : Check(request);
}
