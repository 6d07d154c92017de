#include "qmdesc/verbs.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "qmdesc/find.h"
#include "qmdesc/show_check.h"
#include "qmdesc/system.h"
#include "qmdesc/watch.h"
#include "qmdesc/writes.h"
#include "resources/version.h"

namespace {

// A form of a verb and the --encoding values it takes.
struct EncodingForm {
    const char* form;       // as a refusal names it
    unsigned option;        // the Option bit given in this form; 0: any
    bool standardInput;     // true: the form reads its text from standard input, "-" as the last operand
    const char* encodings;  // the values it takes, blank-separated; "" none
};

// One verb of the command line.
struct Verb {
    const char* name;
    int (*run)(const Request& request);
    unsigned options;      // the Option bits it takes
    size_t fewest, most;   // how many operands it takes
    const char* operands;  // what they are, for a wrong count: "<verb> takes ..."
    const char* usage;     // its usage lines after "qmdesc ", one for each form
    const char* help;      // its lines of the help
    // With EncodingGiven among its options: its forms, the first that fits a request counting.
    EncodingForm encodingForms[2] = {};
};

const Verb Verbs[] = {
    {"show", Show, Stored | FormatGiven, 0, 1, "one PATH",
     "show [PATH] [--stored] [--format text|csv|json|html]",
     "  show [PATH]         the folder's description and every entry with its description, as Quillmark\n"
     "                      shows them; PATH is a description file or its folder (default: this folder)\n"
     "    --stored          the descriptions the file holds instead, in file order, with those whose\n"
     "                      entry is gone marked (the next save in Quillmark drops them)\n"
     "    --format F        text (default), csv, json or html\n"},
    {"find", Find, Stored | Regex | FormatGiven, 1, static_cast<size_t>(-1), "TEXT [FOLDER...]",
     "find TEXT [FOLDER...] [--regex] [--stored] [--format text|csv|json]",
     "  find TEXT [FOLDER...]\n"
     "                      every entry whose name or description holds TEXT, in letter case or not, in\n"
     "                      the FOLDERs (default: this folder) and every folder below them\n"
     "    --regex           TEXT is a regular expression in Perl's syntax (ECMAScript, as Boost.Regex\n"
     "                      takes it), in letter case or not; an entry the expression would take too\n"
     "                      long to match is named and the search goes on\n"
     "    --stored          also the stored descriptions whose entry is gone\n"
     "    --format F        text (default), csv or json\n"},
    {"check", Check, 0, 0, 1, "one PATH", "check [PATH]",
     "  check [PATH]        what to know before the next save: descriptions whose entry is gone (with\n"
     "                      the likely new name and the relink command that moves it), names stored\n"
     "                      twice, marker text, Ctrl+Z bytes, names the code page spells alike\n"},
    {"set",
     SetDescription,
     EncodingGiven | DropGone | FolderGiven,
     2,
     3,
     "PATH NAME TEXT, or PATH --folder TEXT",
     "set PATH NAME TEXT|- [--encoding ansi|oem|utf8] [--drop-gone]\n"
     "set PATH --folder TEXT|- [--encoding ansi|oem|utf8] [--drop-gone]",
     "  set PATH NAME TEXT  gives the entry NAME the description TEXT; an empty TEXT removes it. - reads\n"
     "                      TEXT from standard input: UTF-8, else (Windows) the console's code page;\n"
     "                      --encoding ansi or oem: that code page, utf8: UTF-8 only\n"
     "  set PATH --folder TEXT\n"
     "                      gives the folder itself the description TEXT\n",
     {{"set with TEXT - (standard input)", 0, true, "ansi oem utf8"},
      {"set with a TEXT given", 0, false, ""}}},
    {"relink", Relink, Overwrite | DropGone, 3, 3, "PATH OLD NEW",
     "relink PATH OLD NEW [--overwrite] [--drop-gone]",
     "  relink PATH OLD NEW gives the entry NEW the stored description of OLD, an entry renamed or moved\n"
     "                      outside Quillmark, and drops OLD's\n"
     "    --overwrite       replace the description NEW has\n"},
    {"import",
     Import,
     EncodingGiven | Overwrite | DryRun | DropGone | DescriptIon,
     1,
     2,
     "PATH FILE.csv, or --descript-ion PATH",
     "import PATH FILE.csv [--encoding ansi|utf8] [--overwrite] [--dry-run] [--drop-gone]\n"
     "import --descript-ion PATH [--encoding ansi|oem|utf8] [--overwrite] [--dry-run]",
     "  import PATH FILE.csv\n"
     "                      sets descriptions from a CSV of name,description, separated by commas or\n"
     "                      semicolons (UTF-8; --encoding ansi: the code page); entries that have\n"
     "                      another description keep it unless --overwrite; --dry-run prints what\n"
     "                      would change\n"
     "  import --descript-ion PATH\n"
     "                      the same from the folder's descript.ion\n",
     {{"import --descript-ion", DescriptIon, false, "ansi oem utf8"},
      {"import of a CSV", 0, false, "ansi utf8"}}},
    {"export",
     ExportDescriptIon,
     EncodingGiven | Overwrite | DescriptIon,
     1,
     1,
     "--descript-ion PATH",
     "export --descript-ion PATH [--encoding utf8] [--overwrite]",
     "  export --descript-ion PATH\n"
     "                      writes the folder's descript.ion (--encoding utf8: UTF-8; --overwrite: over\n"
     "                      one that exists)\n",
     {{"export", 0, false, "ansi utf8"}}},
    {"watch", Watch, 0, 1, static_cast<size_t>(-1), "FOLDER...", "watch FOLDER...",
     "  watch FOLDER...     until Ctrl+C, moves each description with its entry when any program renames\n"
     "                      it, or moves it to another folder below the FOLDERs (whose description\n"
     "                      file is made if it has none); one line for each move; a new name with a\n"
     "                      description keeps it. qmdescw.exe runs it on Windows without a console\n"
     "                      window, its lines in %LOCALAPPDATA%\\Quillmark\\watch.log\n"},
};

// One option of the command line.
struct OptionName {
    const char* name;
    unsigned option;  // its Option bit; 0 for --codepage, which every verb takes
    bool takesValue;
};

const OptionName Options[] = {
    {"--stored", Stored, false},
    {"--regex", Regex, false},
    {"--format", FormatGiven, true},
    {"--overwrite", Overwrite, false},
    {"--drop-gone", DropGone, false},
    {"--dry-run", DryRun, false},
    {"--descript-ion", DescriptIon, false},
    {"--encoding", EncodingGiven, true},
    {"--folder", FolderGiven, false},
    {"--codepage", 0, true},
};

const char HelpTail[] =
    "  set, relink and import keep the stored descriptions of entries that are gone, and name them;\n"
    "    --drop-gone       drops them instead, as Quillmark's Save does\n"
    "  set, relink and import end with one line on standard error that counts what they did\n"
    "  --codepage N        the code page of names and descriptions (default: the system's ANSI one;\n"
    "                      1252 outside Windows); on Windows, set, relink, import and export take\n"
    "                      only the ANSI one, in which Quillmark lists names\n"
    "\n"
    "Only regular files of up to 256 MB are read: find names any other and goes on, the others exit 2.\n"
    "Exit codes: 0 done or found, 1 nothing found (show: a folder without a description file; check:\n"
    "something to report), 2 an error (find: a FOLDER could not be searched; output that could not be\n"
    "written).\n";

// Every usage line of the table, the first after "usage: ".
std::string Usage() {
    std::string usage;
    for (const Verb& verb : Verbs) {
        std::string lines = verb.usage;
        for (size_t start = 0; start < lines.size();) {
            size_t end = std::min(lines.find('\n', start), lines.size());
            usage += (usage.empty() ? "usage: qmdesc " : "       qmdesc ") +
                     lines.substr(start, end - start) + "\n";
            start = end + 1;
        }
    }
    return usage + "       qmdesc --help | --version\n";
}

std::string Help() {
    std::string help = Usage() +
                       "\nqmdesc finds, shows, checks and sets the descriptions Quillmark keeps in \"file "
                       "descriptions.desc\".\n\n";
    for (const Verb& verb : Verbs) {
        help += verb.help;
    }
    return help + HelpTail;
}

// Takes the value of an option that has one: a known format, encoding or code page number. False, with
// the problem, for any other.
bool TakeValue(unsigned option, const std::string& value, Request& request, std::string& problem) {
    if (option == FormatGiven && !FormatOfName(value, request.format)) {
        problem = "unknown format '" + value + "' for --format";
    } else if (option == EncodingGiven) {
        if (value != "ansi" && value != "oem" && value != "utf8") {
            problem = "unknown encoding '" + value + "' for --encoding";
        }
        request.encoding = value;
    } else if (option == 0) {
        char* end = nullptr;
        unsigned long number = std::strtoul(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || number == 0 || number > 65535) {
            problem = "'" + value + "' is no code page number for --codepage";
        }
        request.codePage = static_cast<unsigned>(number);
    }
    return problem.empty();
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
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            request.verb = argument == "--version" ? "--version" : "--help";
            return true;
        }
        size_t equals = argument.find('=');
        const OptionName* named = nullptr;
        for (const OptionName& option : Options) {
            if (argument.compare(0, equals, option.name) == 0 &&
                (equals == std::string::npos || option.takesValue)) {
                named = &option;
            }
        }
        if (named == nullptr) {
            problem = "unknown option '" + argument + "'";
            return false;
        }
        request.options |= named->option;
        if (!named->takesValue) {
            continue;
        }
        if (equals == std::string::npos && i + 1 == arguments.size()) {
            problem = std::string(named->name) + " needs a value";
            return false;
        }
        std::string value = equals != std::string::npos ? argument.substr(equals + 1) : arguments[++i];
        if (!TakeValue(named->option, value, request, problem)) {
            return false;
        }
    }
    return true;
}

// True when the form of the request takes its --encoding value; false, with the problem, otherwise.
bool EncodingFits(const Verb& verb, const Request& request, std::string& problem) {
    for (const EncodingForm& form : verb.encodingForms) {
        bool fromInput = !request.operands.empty() && request.operands.back() == "-";
        if (form.form == nullptr || (form.option != 0 && !request.Has(static_cast<Option>(form.option))) ||
            (form.standardInput && !fromInput)) {
            continue;
        }
        std::string takes = " " + std::string(form.encodings) + " ";
        if (takes.find(" " + request.encoding + " ") != std::string::npos) {
            return true;
        }
        problem = "--encoding " + request.encoding + " is not for " + form.form;
        // "ansi oem utf8" said as "ansi, oem or utf8".
        std::string values;
        for (char c : std::string(form.encodings)) {
            values += c == ' ' ? std::string(", ") : std::string(1, c);
        }
        size_t last = values.rfind(", ");
        if (last != std::string::npos) {
            values.replace(last, 2, " or ");
        }
        problem += values.empty() ? "" : ", which takes " + values;
        return false;
    }
    return true;
}

// The options and operand count the verb takes; false, with the problem, for others.
bool CheckRequest(const Verb& verb, const Request& request, std::string& problem) {
    for (const OptionName& option : Options) {
        if (!request.Has(static_cast<Option>(option.option)) || (verb.options & option.option) != 0) {
            continue;
        }
        std::string takers;
        for (const Verb& other : Verbs) {
            if ((other.options & option.option) != 0) {
                takers += std::string(takers.empty() ? "" : ", ") + other.name;
            }
        }
        size_t last = takers.rfind(", ");
        if (last != std::string::npos) {
            takers.replace(last, 2, " and ");
        }
        problem = std::string(option.name) + " is for " + takers + ", not " + verb.name;
        return false;
    }
    if (request.Has(EncodingGiven) && !EncodingFits(verb, request, problem)) {
        return false;
    }
    size_t count = request.operands.size();
    if (count < verb.fewest || count > verb.most) {
        problem = std::string(verb.name) + " takes " + verb.operands +
                  (count > verb.most ? "; '" + request.operands[verb.most] + "' is one too many" : "");
        return false;
    }
    return true;
}

}  // namespace

int UsageError(const std::string& problem) {
    WriteError("qmdesc: " + problem + "\n" + Usage());
    return 2;
}

int RunQmdesc(const std::vector<std::string>& arguments) {
    Request request;
    std::string problem;
    if (!ParseArguments(arguments, request, problem)) {
        return UsageError(problem);
    }
    if (request.verb == "--help") {
        WriteOutput(Help());
        return 0;
    }
    if (request.verb == "--version") {
        WriteOutput("qmdesc " QUILLMARK_VERSION_TEXT "\n");
        return 0;
    }
    if (request.verb.empty()) {
        return UsageError("no command given");
    }
    for (const Verb& verb : Verbs) {
        if (request.verb != verb.name) {
            continue;
        }
        if (!CheckRequest(verb, request, problem) || !UseCodePage(request.codePage, problem)) {
            return UsageError(problem);
        }
        return verb.run(request);
    }
    return UsageError("unknown command '" + request.verb + "'");
}
