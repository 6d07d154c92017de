// qmdesc run as a user runs it: arguments and a folder tree in; standard output, the first line of
// standard error and the exit code out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "qmdesc/import_formats.h"
#include "resources/version.h"
#include "tests/test_folder.h"

namespace {

struct Output {
    std::string out, firstError, lastError;
    std::vector<std::string> errors;  // every line of standard error
    int code = -1;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a shell command in folder; its output and the first line of what it wrote on standard error.
Output RunIn(const std::string& folder, const std::string& command) {
    std::string errors = folder + "/.errors";
    FILE* pipe =
        popen(("cd " + Quoted(folder) + " && { " + command + "; } 2>" + Quoted(errors)).c_str(), "r");
    Output result;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, got);
    }
    int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream error(errors);
    for (std::string line; std::getline(error, line);) {
        result.errors.push_back(line);
    }
    result.firstError = result.errors.empty() ? std::string() : result.errors.front();
    result.lastError = result.errors.empty() ? std::string() : result.errors.back();
    std::remove(errors.c_str());
    return result;
}

// qmdesc with arguments, run in folder; asNobody runs it without the super-user's right to read every
// folder, so that a folder it may not read stays closed to it. A run that hangs is ended after 20
// seconds, and fails. around, when given, is the shell command to run instead, "{Q}" in it standing for
// qmdesc's.
Output Qmdesc(const std::string& folder,
              const std::vector<std::string>& arguments,
              bool asNobody = false,
              const char* around = nullptr) {
    std::string command = "timeout 20 ";
    command += asNobody && geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    command += Quoted(QMDESC_PROGRAM);
    for (const std::string& argument : arguments) {
        command += " " + Quoted(argument);
    }
    std::string shell = around != nullptr ? around : "{Q}";
    return RunIn(folder, shell.replace(shell.find("{Q}"), 3, command));
}

// The tree every invocation runs in:
//   garden/  the worked example; shed plan.txt is gone since, tree.jpg has no description
//   odd/     names with blanks at the ends, a non-ASCII letter, quotes, a comma, < & "
//   faults/  a name stored twice, marker text, a Ctrl+Z byte, two names code page 1252 spells alike
//   tree/a/  pond.jpg described, and a link back up; tree/a-locked/ unreadable; tree/broken/ a folder
//            where the description file should be
//   cut/     marker text that cuts a description short, and in the folder description
//   big/     a description of 100,000 bytes, more than a pipe holds
//   notdesc.txt, no description file
class QmdescTree : public TestFolder {
  public:
    QmdescTree() : TestFolder(false) {
        for (const char* folder :
             {"garden",  "odd",         "faults",    "tree/a", "tree/a-locked", "tree/broken", "w/edit",
              "w/moved", "w/read-only", "w/fresh",   "w/csv",  "w/dion",        "w/gbk",       "w/oem",
              "w/mark",  "w/z\x1Az",    "w/bad\xFF", "cut",    "big/disk",      "w/renamed"}) {
            std::filesystem::create_directories(PathOf(folder));
        }
        Write("garden/file descriptions.desc", WorkedExampleBytes(PathOf("garden")));
        Write("tree/a/file descriptions.desc", WorkedExampleBytes(PathOf("tree/a")));
        for (const char* folder : {"w/edit", "w/moved", "w/read-only"}) {
            Write(std::string(folder) + "/file descriptions.desc", WorkedExampleBytes(PathOf(folder)));
        }
        Write("tree/a-locked/file descriptions.desc", WorkedExampleBytes(PathOf("tree/a-locked")));
        std::filesystem::create_directory(PathOf("tree/broken/file descriptions.desc"));
        std::filesystem::create_directory_symlink("..", PathOf("tree/a/up"));
        for (const char* file : {"garden/pond.jpg",
                                 "garden/tree.jpg",
                                 "tree/a/pond.jpg",
                                 "tree/a-locked/pond.jpg",
                                 "odd/ blank .txt",
                                 "odd/café.txt",
                                 "odd/a,\"b\".txt",
                                 "odd/<&\">.txt",
                                 "faults/pond.jpg",
                                 "faults/Ω.txt",
                                 "faults/Σ.txt",
                                 "w/edit/pond.jpg",
                                 "w/moved/shed.txt",
                                 "w/read-only/pond.jpg",
                                 "w/fresh/a.txt",
                                 "w/csv/tree.jpg",
                                 "w/csv/pond.jpg",
                                 "w/csv/README.TXT",
                                 "w/dion/big oak.jpg",
                                 "w/dion/readme.txt",
                                 "w/dion/café.txt",
                                 "w/gbk/乗 a.txt",
                                 "w/oem/café.txt",
                                 "w/edit/z\x1A.txt",
                                 "w/moved/z\x1A.txt",
                                 "w/mark/a.txt",
                                 "w/z\x1Az/a.txt",
                                 "w/bad\xFF/a.txt",
                                 "cut/a.txt",
                                 "cut/b.txt",
                                 "big/a.txt",
                                 "w/renamed/report 2024.docx",
                                 "w/renamed/2024 beach trip.jpg"}) {
            Write(file, "x");
        }
        Write("odd/file descriptions.desc",
              "<folder_name>odd</folder_name><folder_description>Odd & \"quoted\"</folder_description>" +
                  Block(" blank .txt", " ends in blanks ") + Block("caf\xe9.txt", "Caf\xe9 au lait") +
                  Block("a,\"b\".txt", "comma, \"quote\"\r\nline two") + Block("<&\">.txt", "<b>&amp;</b>"));
        Write("faults/file descriptions.desc", "<folder_name>faults</folder_name>" +
                                                   Block("pond.jpg", "first") + Block("pond.jpg", "second") +
                                                   Block("?.txt", "says <file> inside") + "\x1A tail");
        Write("cut/file descriptions.desc",
              "<folder_name>cut</folder_name><folder_description>Says <file> too</folder_description>" +
                  Block("a.txt", "kept</file_description>\r\nlost") + Block("b.txt", "fine"));
        Write("big/file descriptions.desc",
              "<folder_name>big</folder_name>" + Block("a.txt", std::string(100000, 'x')));
        Write("notdesc.txt", "hello");
        Write("in.csv",
              "name,description\r\ntree.jpg,\"An oak\r\nline 2\"\r\npond.jpg,New pond\r\nnosuch.txt,x\r\n"
              "readme.txt,Read me\r\n");
        Write("bad.csv", "name,description\r\ntree.jpg,a\r\ntree.jpg,b\r\n\"bad\"x,y\r\npond.jpg,\"Ω\"\r\n");
        Write("w/bad\xFF/file descriptions.desc", "<folder_name>x</folder_name>" + Block("a.txt", "Apple"));
        Write("w/renamed/file descriptions.desc",
              "<folder_name>x</folder_name>" + Block("Report 2024.doc", "Q1") + Block("beach.jpg", "Sand"));
        Write("marker.csv", "name,description\r\ntree.jpg,\"x</file_description>\r\n</file>\"\r\n");
        Write("w/mark/descript.ion", "a.txt x</file>\r\n");
        Write("semicolons.csv", "name;description\r\ntree.jpg;\"Oak; old, tall\"\r\n");
        Write("latin.csv", "name,description\r\ntree.jpg,Oak\r\npond.jpg,Caf\xe9\r\n");
        Write("other.csv",
              "\xEF\xBB\xBF"
              "Description,Name\nOther pond,pond.jpg\n");
        // Code page 936: 乗 is 0x81 0x5C, its trail byte a backslash, so "\n" is found in characters.
        Write("w/gbk/descript.ion", "\"\x81\x5C a.txt\" \x81\x5Cn\\nB\x04\xC2\r\n");
        // In code page 850, the OEM one of 1252, 0x82 is é.
        Write("w/oem/descript.ion", "caf\x82.txt Caf\x82\r\n");
        // Quoted names, a multi-line ending, a tab, upper case for lower, a name twice, in UTF-8.
        Write("w/dion/descript.ion",
              "\"big oak.jpg\" An oak\\nwith two lines\x04\xC2\r\nREADME.TXT\t  Read me  \r\ncafé.txt Café "
              "crème\r\n\r\n"
              "readme.txt second\r\n");
        chmod(PathOf("tree/a-locked").c_str(), 0);
        chmod(PathOf("w/read-only/file descriptions.desc").c_str(), 0444);
    }
};

enum class Compare { Exact, SortedLines, Contains };

struct Invocation {
    const char* what;
    std::vector<std::string> arguments;  // "{F}" stands for the tree's path
    Compare compare;
    std::string out;         // "{F}" too
    std::string firstError;  // a prefix of the first line; "{F}" too
    int code;
    bool asNobody = false;
    const char* file = nullptr;                   // a file a write may change
    std::string (*after)(std::string) = nullptr;  // its bytes after, from those before; null: unchanged
    std::string lastError;                        // a prefix of the last line of standard error, if given
    const char* around = nullptr;                 // a shell command around qmdesc's ("{Q}"), if given
};

std::string WithTree(std::string text, const std::string& tree) {
    for (size_t at; (at = text.find("{F}")) != std::string::npos;) {
        text.replace(at, 3, tree);
    }
    return text;
}

std::string SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const std::string& line : lines) {
        sorted += line + "\n";
    }
    return sorted;
}

const char GardenStored[] =
    "pond.jpg,The pond after cleaning.,yes\r\nshed plan.txt,\"Measurements for the shed.\r\nSecond "
    "version.\",no\r\n";
const char BrokenError[] =
    "qmdesc: The description file {F}/tree/broken/file descriptions.desc cannot be read: Is a directory";

// A new description file of w/fresh in which a.txt has text: the window's New description file, then
// that description saved.
std::string FreshFile(const std::string& text) {
    return "<?xml "
           "version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>{F}/w/fresh</"
           "folder_name>\r\n\r\n"
           "<folder_description>\r\nA "
           "folder\r\n</folder_description>\r\n\r\n<file>\r\n<file_name>a.txt</file_name>\r\n"
           "<file_description>\r\n" +
           text + "\r\n</file_description>\r\n</file>\r\n\r\n</file_description_data>";
}

const Invocation ShowRows[] = {
    {"json cannot hold a path that is not UTF-8",
     {"show", "w/bad\xFF", "--format", "json"},
     Compare::Exact,
     "",
     "qmdesc: {F}/w/bad\xFF is a path that is not UTF-8",
     2},
    {"show lists the folder's entries now",
     {"show", "garden"},
     Compare::SortedLines,
     "Folder {F}/garden: Pictures of the back garden.\n.\n..\nfile descriptions.desc\npond.jpg: The pond "
     "after "
     "cleaning.\ntree.jpg\n",
     "",
     0},
    {"show --stored marks the gone entry",
     {"show", "--stored", "garden/file descriptions.desc"},
     Compare::Exact,
     "Folder {F}/garden: Pictures of the back garden.\npond.jpg: The pond after cleaning.\nshed plan.txt "
     "(not in "
     "the folder): Measurements for the shed.\n    Second version.\n",
     "",
     0},
    {"csv",
     {"show", "--stored", "--format", "csv", "garden"},
     Compare::Exact,
     std::string("\xEF\xBB\xBFname,description,exists\r\n") + GardenStored,
     "",
     0},
    {"json",
     {"show", "--stored", "--format=json", "garden"},
     Compare::Exact,
     "{\n  \"folder\": \"{F}/garden\",\n  \"folder_description\": \"Pictures of the back garden.\",\n  "
     "\"entries\": "
     "[\n    {\"name\": \"pond.jpg\", \"description\": \"The pond after cleaning.\", \"exists\": true},\n    "
     "{\"name\": \"shed plan.txt\", \"description\": \"Measurements for the shed.\\r\\nSecond version.\", "
     "\"exists\": false}\n  ]\n}\n",
     "",
     0},
    {"html",
     {"show", "--format", "html", "garden"},
     Compare::Contains,
     "<tr><td>pond.jpg</td><td>The pond after cleaning.</td></tr>",
     "",
     0},
    {"csv of odd names",
     {"show", "--stored", "--format", "csv", "odd"},
     Compare::Exact,
     "\xEF\xBB\xBFname,description,exists\r\n\" blank .txt\",ends in blanks,yes\r\ncafé.txt,Café au "
     "lait,yes\r\n"
     "\"a,\"\"b\"\".txt\",\"comma, \"\"quote\"\"\r\nline two\",yes\r\n\"<&\"\">.txt\",<b>&amp;</b>,yes\r\n",
     "",
     0},
    {"json of odd names",
     {"show", "--format", "json", "odd"},
     Compare::Contains,
     "{\"name\": \"a,\\\"b\\\".txt\", \"description\": \"comma, \\\"quote\\\"\\nline two\", \"exists\": "
     "true}",
     "",
     0},
    {"html of odd names",
     {"show", "--stored", "--format", "html", "odd"},
     Compare::Contains,
     "<tr><td>&lt;&amp;&quot;&gt;.txt</td><td>&lt;b&gt;&amp;amp;&lt;/b&gt;</td><td>yes</td></tr>",
     "",
     0},
    {"not a description file",
     {"show", "notdesc.txt"},
     Compare::Exact,
     "",
     "qmdesc: Not a valid description file: {F}/notdesc.txt",
     2},
    {"a missing path",
     {"show", "missing.desc"},
     Compare::Exact,
     "",
     "qmdesc: The description file {F}/missing.desc cannot be read: No such file or directory",
     2},
    {"a folder without a description file: its entries, none described",
     {"show", "tree"},
     Compare::SortedLines,
     "Folder {F}/tree\n.\n..\na\na-locked\nbroken\n",
     "qmdesc: nothing found: {F}/tree has no description file \"file descriptions.desc\" (qmdesc set "
     "\"{F}/tree\" NAME TEXT describes an entry)",
     1},
    // A cut-off CSV on a full disk (a small file system of its own where it can be mounted) or a closed
    // pipe must not pass for success.
    {"show to a full disk",
     {"show", "--format", "csv", "big"},
     Compare::Exact,
     "",
     "qmdesc: standard output cannot be written: No space left on device",
     2,
     false,
     nullptr,
     nullptr,
     "",
     "if [ $(id -u) = 0 ] && unshare -m true 2>/dev/null; then unshare -m sh -c 'mount -t tmpfs -o "
     "size=64k tmpfs big/disk && \"$@\" > big/disk/out.csv' sh {Q}; else {Q} > /dev/full; fi"},
    {"show to a closed pipe, SIGPIPE ignored: no message, exit 2",
     {"show", "big"},
     Compare::Exact,
     "2\n",
     "",
     0,
     false,
     nullptr,
     nullptr,
     "",
     "trap '' PIPE; { {Q}; echo $? > big/code; } | :; cat big/code"},
};

const Invocation FindRows[] = {
    {"csv leaves out a folder whose path is not UTF-8",
     {"find", "Apple", "w/bad\xFF", "--format", "csv"},
     Compare::Exact,
     "\xEF\xBB\xBF"
     "folder,name,description,exists\r\n",
     "qmdesc: {F}/w/bad\xFF is a path that is not UTF-8, which csv and json cannot hold; skipped",
     1},
    {"text shows it", {"find", "Apple", "w/bad\xFF"}, Compare::Exact, "{F}/w/bad\xFF/a.txt: Apple\n", "", 0},
    {"find walks every folder below, never through a link",
     {"find", "POND"},
     Compare::Exact,
     "{F}/faults/pond.jpg: first\n{F}/garden/pond.jpg: The pond after cleaning.\n{F}/tree/a/pond.jpg: The "
     "pond after cleaning.\n"
     "{F}/tree/a-locked/pond.jpg: The pond after cleaning.\n{F}/w/edit/pond.jpg: The pond after cleaning.\n"
     "{F}/w/read-only/pond.jpg: The pond after cleaning.\n",
     BrokenError,
     0},
    {"find names a folder it cannot read and goes on",
     {"find", "pond", "tree"},
     Compare::Exact,
     "{F}/tree/a/pond.jpg: The pond after cleaning.\n",
     "qmdesc: The folder {F}/tree/a-locked cannot be listed: "
     "Permission denied",
     0,
     true},
    {"find ignores letter case beyond ASCII",
     {"find", "CAFÉ", "odd"},
     Compare::Exact,
     "{F}/odd/café.txt: Café au lait\n",
     "",
     0},
    {"find --regex ignores letter case beyond ASCII, in a set too",
     {"find", "--regex", "CAF[É] AU", "odd"},
     Compare::Exact,
     "{F}/odd/café.txt: Café au lait\n",
     "",
     0},
    {"find --regex --stored finds a gone entry",
     {"find", "--regex", "^SHED", "--stored", "garden"},
     Compare::Exact,
     "{F}/garden/shed plan.txt (not in the folder): Measurements for the shed.\n",
     "",
     0},
    {"find csv",
     {"find", "cleaning", "garden", "--format", "csv"},
     Compare::Exact,
     "\xEF\xBB\xBF"
     "folder,name,description,exists\r\n{F}/garden,pond.jpg,The pond after cleaning.,yes\r\n",
     "",
     0},
    {"find nothing", {"find", "no such words", "--format", "json"}, Compare::Exact, "[]\n", BrokenError, 1},
    {"find prints what it found, then exits 2 for a FOLDER it could not search",
     {"find", "pond", "missing", "garden"},
     Compare::Exact,
     "{F}/garden/pond.jpg: The pond after cleaning.\n",
     "qmdesc: The folder missing cannot be listed: No such file or directory",
     2},
    {"find to a full disk",
     {"find", "pond"},
     Compare::Exact,
     "",
     "qmdesc: standard output cannot be written: No space left on device",
     2,
     false,
     nullptr,
     nullptr,
     "",
     "{Q} > /dev/full"},
    {"find without a readable folder",
     {"find", "pond", "missing"},
     Compare::Exact,
     "",
     "qmdesc: The folder missing cannot be listed: No such file or directory",
     2},
    {"find with a bad regular expression",
     {"find", "--regex", "(", "garden"},
     Compare::Exact,
     "",
     "qmdesc: '(' is no regular expression for --regex",
     2},
};

const Invocation CheckRows[] = {
    // The one entry gone and the one listed entry the file does not store: likely renamed.
    {"check reports what the next save drops",
     {"check", "garden"},
     Compare::Exact,
     "Not in the folder, dropped by the next save: shed plan.txt: Measurements for the shed.\n    Second "
     "version.\nPerhaps renamed: shed plan.txt to tree.jpg (qmdesc relink \"garden\" \"shed plan.txt\" "
     "\"tree.jpg\" moves its description)\n",
     "",
     1},
    {"check names a gone entry's likely new name: another case or extension, or its stem within",
     {"check", "w/renamed"},
     Compare::Exact,
     "Not in the folder, dropped by the next save: Report 2024.doc: Q1\nNot in the folder, dropped by the "
     "next save: beach.jpg: Sand\nPerhaps renamed: Report 2024.doc to report 2024.docx (qmdesc relink "
     "\"w/renamed\" \"Report 2024.doc\" \"report 2024.docx\" moves its description)\nPerhaps renamed: "
     "beach.jpg to 2024 beach trip.jpg (qmdesc relink \"w/renamed\" \"beach.jpg\" \"2024 beach trip.jpg\" "
     "moves its description)\n",
     "",
     1,
     false,
     "w/renamed/file descriptions.desc"},
    {"check reports each fault",
     {"check", "faults"},
     Compare::Exact,
     "Stored twice, only the first counts: pond.jpg: second\nMarker text \"<file>\" in the description of "
     "?.txt\n"
     "A Ctrl+Z byte at byte 302: the 5 bytes after it are not read\nNames the code page spells alike: 2 "
     "entries "
     "are listed as ?.txt and share one description\n",
     "",
     1},
    {"check of a sound file", {"check", "odd"}, Compare::Exact, "", "", 0},
    {"check finds marker text in the file's bytes, not only in what is read",
     {"check", "cut"},
     Compare::Exact,
     "Stored twice, only the first counts: a.txt: kept\nMarker text \"<file>\" in the folder description "
     "(qmdesc set PATH --folder TEXT replaces it): Says "
     "<file> too\nMarker text \"</file_description>\" out of place on line 2: a name or description that "
     "holds it is read cut short there\n",
     "",
     1},
    {"check refuses what show refuses",
     {"check", "notdesc.txt"},
     Compare::Exact,
     "",
     "qmdesc: Not a valid description file: {F}/notdesc.txt",
     2},
};

const Invocation ArgumentsRows[] = {
    {"an unknown format",
     {"show", "--format", "xml"},
     Compare::Exact,
     "",
     "qmdesc: unknown format 'xml' for --format",
     2},
    {"an unknown command", {"frobnicate"}, Compare::Exact, "", "qmdesc: unknown command 'frobnicate'", 2},
    // watch refuses at once, watching nothing, when a FOLDER given is none.
    {"watch without a FOLDER", {"watch"}, Compare::Exact, "", "qmdesc: watch takes FOLDER...", 2},
    {"watch of a folder that does not exist",
     {"watch", "garden", "nothing-here"},
     Compare::Exact,
     "",
     "qmdesc: The folder nothing-here cannot be watched: No such file or directory",
     2},
    {"watch of a file",
     {"watch", "notdesc.txt"},
     Compare::Exact,
     "",
     "qmdesc: The folder notdesc.txt cannot be watched: It is no folder.",
     2},
    {"one path too many",
     {"show", "a", "b"},
     Compare::Exact,
     "",
     "qmdesc: show takes one PATH; 'b' is one too many",
     2},
    {"an option another command takes",
     {"check", "--regex"},
     Compare::Exact,
     "",
     "qmdesc: --regex is for find, not check",
     2},
    {"an option named with the verbs that take it",
     {"set", "w/edit", "pond.jpg", "x", "--overwrite"},
     Compare::Exact,
     "",
     "qmdesc: --overwrite is for relink, import and export, not set",
     2},
    {"too few operands", {"relink", "w/moved"}, Compare::Exact, "", "qmdesc: relink takes PATH OLD NEW", 2},
    {"set --folder takes no NAME",
     {"set", "w/edit", "--folder", "pond.jpg", "x"},
     Compare::Exact,
     "",
     "qmdesc: set takes PATH NAME TEXT, or PATH --folder TEXT",
     2},
    {"--encoding for set with a TEXT given",
     {"set", "w/edit", "pond.jpg", "x", "--encoding", "ansi"},
     Compare::Exact,
     "",
     "qmdesc: --encoding ansi is not for set with a TEXT given",
     2},
    {"--encoding oem for a CSV",
     {"import", "w/csv", "in.csv", "--encoding=oem"},
     Compare::Exact,
     "",
     "qmdesc: --encoding oem is not for import of a CSV, which takes ansi or utf8",
     2},
    {"--encoding oem for export",
     {"export", "--descript-ion", "garden", "--encoding", "oem"},
     Compare::Exact,
     "",
     "qmdesc: --encoding oem is not for export, which takes ansi or utf8",
     2},
    {"the version", {"--version"}, Compare::Exact, "qmdesc " QUILLMARK_VERSION_TEXT "\n", "", 0},
};

const Invocation SetRows[] = {
    {"set --folder sets the folder's own description",
     {"set", "w/edit", "--folder", "Ponds\nand more"},
     Compare::Exact,
     "",
     "qmdesc: kept the description of shed plan.txt",
     0,
     false,
     "w/edit/file descriptions.desc",
     [](std::string bytes) {
         return bytes.replace(bytes.find("Pictures of the back garden."), 28, "Ponds\r\r\nand more");
     },
     "qmdesc: 1 set; of entries not in the folder 1 kept"},
    {"set keeps what the file holds of a gone entry",
     {"set", "w/edit", "pond.jpg", "A clean pond.\nWith fish."},
     Compare::Exact,
     "",
     "qmdesc: kept the description of shed plan.txt, which is not in the folder",
     0,
     false,
     "w/edit/file descriptions.desc",
     [](std::string bytes) {
         return bytes.replace(bytes.find("The pond after cleaning."), 24, "A clean pond.\r\r\nWith fish.");
     }},
    {"set of the same text writes nothing",
     {"set", "w/edit/file descriptions.desc", "pond.jpg", "A clean pond.\r\nWith fish."},
     Compare::Exact,
     "",
     "qmdesc: 1 unchanged",
     0,
     false,
     "w/edit/file descriptions.desc"},
    {"set of an empty text removes, --drop-gone drops",
     {"set", "w/edit", "pond.jpg", "", "--drop-gone"},
     Compare::Exact,
     "",
     "qmdesc: dropped the description of shed plan.txt",
     0,
     false,
     "w/edit/file descriptions.desc",
     [](std::string bytes) {
         size_t blocks = bytes.find("\r\n<file>");
         return bytes.erase(blocks, bytes.rfind("\r\n</file_description_data>") - blocks);
     }},
    {"set of a name not listed",
     {"set", "w/edit", "shed plan.txt", "x"},
     Compare::Exact,
     "",
     "qmdesc: shed plan.txt is not in the folder {F}/w/edit",
     2,
     false,
     "w/edit/file descriptions.desc"},
    {"set of a text the code page cannot hold",
     {"set", "w/moved", "shed.txt", "Ω"},
     Compare::Exact,
     "",
     "qmdesc: the description of shed.txt holds a character the code page cannot hold",
     2,
     false,
     "w/moved/file descriptions.desc"},
    {"set - reads standard input in the OEM code page with --encoding oem",
     {"set", "w/moved", "shed.txt", "-", "--encoding", "oem"},
     Compare::Exact,
     "",
     "qmdesc: kept the description of pond.jpg",
     0,
     false,
     nullptr,
     nullptr,
     "qmdesc: 1 set",
     "printf 'Caf\\202' | {Q}"},
    {"what it set", {"show", "w/moved"}, Compare::Contains, "shed.txt: Café\n", "", 0},
    {"set - of input that is not UTF-8 and no encoding",
     {"set", "w/moved", "shed.txt", "-"},
     Compare::Exact,
     "",
     "qmdesc: standard input is not UTF-8: --encoding ansi or oem reads it in a code page",
     2,
     false,
     "w/moved/file descriptions.desc",
     nullptr,
     "",
     "printf 'Caf\\351' | {Q}"},
    {"a write that fails leaves the file",
     {"set", "w/read-only", "pond.jpg", "x"},
     Compare::Exact,
     "",
     "qmdesc: The description file {F}/w/read-only/file descriptions.desc cannot be written: The file is "
     "read-only.",
     2,
     false,
     "w/read-only/file descriptions.desc"},
    {"set in a folder without a description file makes one",
     {"set", "w/fresh", "a.txt", "Hello"},
     Compare::Exact,
     "",
     "qmdesc: 1 set",
     0,
     false,
     "w/fresh/file descriptions.desc",
     [](std::string) { return FreshFile("Hello"); }},
    {"a path that is no folder and not a .desc file is refused",
     {"set", "w/fres", "a.txt", "Hello"},
     Compare::Exact,
     "",
     "qmdesc: w/fres does not exist",
     2,
     false,
     "w/fres"},
    {"a new description file of another name ending in .desc",
     {"set", "w/fresh/notes.desc", "a.txt", "Hello"},
     Compare::Exact,
     "",
     "qmdesc: 1 set",
     0,
     false,
     "w/fresh/notes.desc",
     [](std::string) { return FreshFile("Hello"); }},

    {"set refuses text that would change other entries when read",
     {"set", "w/edit", "pond.jpg",
      "x</file_description>\n</file>\n<file>\n<file_name>shed plan.txt</file_name>\n<file_description>\nNEW"},
     Compare::Exact,
     "",
     "qmdesc: pond.jpg: its description holds the marker text \"</file_description>\", which the description "
     "file cannot hold as text",
     2,
     false,
     "w/edit/file descriptions.desc"},
    {"set refuses a Ctrl+Z in a description",
     {"set", "w/edit", "pond.jpg", "a\x1A b"},
     Compare::Exact,
     "",
     "qmdesc: pond.jpg: its description holds a Ctrl+Z",
     2,
     false,
     "w/edit/file descriptions.desc"},
    {"set refuses a folder path holding a Ctrl+Z",
     {"set", "w/z\x1Az", "a.txt", "z"},
     Compare::Exact,
     "",
     "qmdesc: the folder's path holds a Ctrl+Z",
     2,
     false,
     "w/z\x1Az/file descriptions.desc"},
    {"set refuses a name holding a Ctrl+Z",
     {"set", "w/edit", "z\x1A.txt", "z"},
     Compare::Exact,
     "",
     "qmdesc: z\x1A.txt: its name holds a Ctrl+Z",
     2,
     false,
     "w/edit/file descriptions.desc"},
};

const Invocation RelinkRows[] = {
    {"relink refuses a new name holding a Ctrl+Z",
     {"relink", "w/moved", "shed plan.txt", "z\x1A.txt"},
     Compare::Exact,
     "",
     "qmdesc: z\x1A.txt: its name holds a Ctrl+Z",
     2,
     false,
     "w/moved/file descriptions.desc"},
    {"relink after a rename outside",
     {"relink", "w/moved", "shed plan.txt", "shed.txt"},
     Compare::Exact,
     "",
     "qmdesc: kept the description of pond.jpg, which is not in the folder",
     0,
     false,
     "w/moved/file descriptions.desc",
     [](std::string bytes) {
         // The listed entry comes first, the gone one after it.
         size_t pond = bytes.find("\r\n<file>"), shed = bytes.find("\r\n<file>", pond + 1);
         size_t end = bytes.rfind("\r\n</file_description_data>");
         std::string shedBlock = bytes.substr(shed, end - shed), pondBlock = bytes.substr(pond, shed - pond);
         shedBlock.replace(shedBlock.find("shed plan.txt"), 13, "shed.txt");
         return bytes.replace(pond, end - pond, shedBlock + pondBlock);
     }},
    {"relink onto a described entry",
     {"relink", "w/moved", "pond.jpg", "shed.txt"},
     Compare::Exact,
     "",
     "qmdesc: shed.txt has a description already; --overwrite replaces it",
     2,
     false,
     "w/moved/file descriptions.desc"},
    {"relink of a name whose entry is there",
     {"relink", "w/moved", "shed.txt", "shed.txt"},
     Compare::Exact,
     "",
     "qmdesc: shed.txt is no stored name whose entry is gone",
     2,
     false,
     "w/moved/file descriptions.desc"},
};

const Invocation ImportRows[] = {
    {"import refuses a row that would change other entries when read",
     {"import", "w/csv", "marker.csv"},
     Compare::Exact,
     "",
     "qmdesc: tree.jpg: its description holds the marker text \"</file_description>\"",
     2,
     false,
     "w/csv/file descriptions.desc"},
    {"a descript.ion import refuses it too",
     {"import", "--descript-ion", "w/mark"},
     Compare::Exact,
     "",
     "qmdesc: a.txt: its description holds the marker text \"</file>\"",
     2,
     false,
     "w/mark/file descriptions.desc"},
    {"import --dry-run",
     {"import", "w/csv", "in.csv", "--dry-run"},
     Compare::SortedLines,
     "README.TXT: Read me\npond.jpg: New pond\ntree.jpg: An oak\n",
     "qmdesc: line 5: nosuch.txt is not in the folder; skipped",
     0,
     false,
     "w/csv/file descriptions.desc",
     nullptr,
     "qmdesc: nothing written (--dry-run): 3 set, 1 not in the folder"},
    {"import",
     {"import", "w/csv", "in.csv"},
     Compare::Exact,
     "",
     "qmdesc: line 5: nosuch.txt is not in the folder",
     0,
     false,
     nullptr,
     nullptr,
     "qmdesc: 3 set, 1 not in the folder"},
    {"what import set",
     {"show", "--stored", "w/csv"},
     Compare::SortedLines,
     "Folder {F}/w/csv: A folder\nREADME.TXT: Read me\npond.jpg: New pond\ntree.jpg: An oak\n    line 2\n",
     "",
     0},
    {"import of bad rows writes nothing",
     {"import", "w/csv", "bad.csv"},
     Compare::Exact,
     "",
     "qmdesc: line 4: a quote out of place",
     2,
     false,
     "w/csv/file descriptions.desc"},
    {"import keeps a description",
     {"import", "w/csv", "other.csv"},
     Compare::Exact,
     "",
     "qmdesc: line 2: pond.jpg keeps its description (--overwrite replaces it)",
     0,
     false,
     "w/csv/file descriptions.desc",
     nullptr,
     "qmdesc: 1 kept"},
    {"a CSV that is not UTF-8",
     {"import", "w/csv", "latin.csv"},
     Compare::Exact,
     "",
     "qmdesc: latin.csv is not UTF-8 (line 3): --encoding ansi reads it in the code page",
     2,
     false,
     "w/csv/file descriptions.desc"},
    {"... read in the code page",
     {"import", "w/csv", "latin.csv", "--encoding", "ansi", "--overwrite"},
     Compare::Exact,
     "",
     "qmdesc: 2 set",
     0},
    {"a CSV separated by semicolons",
     {"import", "w/csv", "semicolons.csv", "--overwrite"},
     Compare::Exact,
     "",
     "qmdesc: 1 set",
     0},
    {"what they set",
     {"show", "w/csv"},
     Compare::SortedLines,
     "Folder {F}/w/csv: A folder\n.\n..\nREADME.TXT: Read me\nfile descriptions.desc\npond.jpg: Café\n"
     "tree.jpg: Oak; old, tall\n",
     "",
     0},
    {"import --descript-ion",
     {"import", "--descript-ion", "w/dion"},
     Compare::Exact,
     "",
     "qmdesc: {F}/w/dion/descript.ion read as UTF-8, since it has no byte-order mark and its text is valid "
     "UTF-8 (--encoding ansi or oem reads it in a code page)",
     0,
     false,
     "w/dion/descript.ion"},
    {"what the descript.ion brought",
     {"show", "--stored", "w/dion"},
     Compare::SortedLines,
     "Folder {F}/w/dion: A folder\nbig oak.jpg: An oak\n    with two lines\ncafé.txt: Café "
     "crème\nreadme.txt: Read "
     "me\n",
     "",
     0},
    {"import --descript-ion in a double-byte code page",
     {"import", "--descript-ion", "w/gbk", "--codepage", "936"},
     Compare::Exact,
     "",
     "qmdesc: 1 set",
     0},
    {"what it brought",
     {"show", "--stored", "--codepage=936", "w/gbk"},
     Compare::Exact,
     "Folder {F}/w/gbk: A folder\n乗 a.txt: 乗n\n    B\n",
     "",
     0},
    {"a descript.ion in the OEM code page, taken as the ANSI one",
     {"import", "--descript-ion", "w/oem"},
     Compare::Exact,
     "",
     "qmdesc: line 1: caf‚.txt is not in the folder",
     0},
    {"--encoding oem",
     {"import", "--descript-ion", "w/oem", "--encoding", "oem"},
     Compare::Exact,
     "",
     "qmdesc: 1 set",
     0},
    {"what it brought",
     {"show", "--stored", "w/oem"},
     Compare::Exact,
     "Folder {F}/w/oem: A folder\ncafé.txt: Café\n",
     "",
     0},
};

const Invocation ExportRows[] = {
    {"export writes the listed entries' descriptions",
     {"export", "--descript-ion", "garden"},
     Compare::Exact,
     "",
     "",
     0,
     false,
     "garden/descript.ion",
     [](std::string) { return std::string("pond.jpg The pond after cleaning.\r\n"); }},
    {"export keeps a descript.ion",
     {"export", "--descript-ion", "garden"},
     Compare::Exact,
     "",
     "qmdesc: {F}/garden/descript.ion exists; --overwrite replaces it",
     2,
     false,
     "garden/descript.ion"},
    {"export without --descript-ion",
     {"export", "w/dion"},
     Compare::Exact,
     "",
     "qmdesc: export writes only a descript.ion: give --descript-ion",
     2},
};

// Runs a verb's rows in order on a fresh tree of its own, each write row on the file as the rows
// before left it, and checks each row's output, first error line, exit code and file.
template <size_t N>
void RunRows(const Invocation (&rows)[N]) {
    QmdescTree tree;
    for (const Invocation& c : rows) {
        std::vector<std::string> arguments;
        for (const std::string& argument : c.arguments) {
            arguments.push_back(WithTree(argument, tree.Path()));
        }
        std::string before = c.file != nullptr ? tree.Read(c.file) : std::string();
        Output got = Qmdesc(tree.Path(), arguments, c.asNobody, c.around);
        if (c.file != nullptr) {
            EXPECT_EQ(tree.Read(c.file), c.after != nullptr ? WithTree(c.after(before), tree.Path()) : before)
                << c.what;
        }
        std::string out = WithTree(c.out, tree.Path());
        switch (c.compare) {
            case Compare::Exact:
                EXPECT_EQ(got.out, out) << c.what;
                break;
            case Compare::SortedLines:
                EXPECT_EQ(SortedLines(got.out), SortedLines(out)) << c.what;
                break;
            case Compare::Contains:
                EXPECT_NE(got.out.find(out), std::string::npos) << c.what << "\n" << got.out;
        }
        std::string error = WithTree(c.firstError, tree.Path());
        EXPECT_EQ(got.firstError.substr(0, error.empty() ? std::string::npos : error.size()), error)
            << c.what;
        EXPECT_EQ(got.code, c.code) << c.what;
        std::string last = WithTree(c.lastError, tree.Path());
        EXPECT_EQ(got.lastError.substr(0, last.size()), last) << c.what;
    }
}

TEST(Qmdesc, Show) {
    RunRows(ShowRows);
}

TEST(Qmdesc, Find) {
    RunRows(FindRows);
}

TEST(Qmdesc, Check) {
    RunRows(CheckRows);
}

// Each verb on what is no regular file: a pipe as the description file (sp/fifo) and as descript.ion
// (sp/d), links to /dev/zero (sp/zero, zero.csv), a file past the size limit that holds nothing
// (sp/huge). find names them and goes on, through a link to a description file (sp/link) too.
TEST(Qmdesc, SpecialFiles) {
    TestFolder tree(false);
    for (const char* folder : {"sp/c", "sp/d", "sp/fifo", "sp/huge", "sp/link", "sp/zero"}) {
        std::filesystem::create_directories(tree.PathOf(folder));
        tree.Write(std::string(folder) + "/pond.jpg", "x");
    }
    mkfifo(tree.PathOf("sp/fifo/file descriptions.desc").c_str(), 0644);
    mkfifo(tree.PathOf("sp/d/descript.ion").c_str(), 0644);
    std::filesystem::create_symlink("/dev/zero", tree.PathOf("sp/zero/file descriptions.desc"));
    std::filesystem::create_symlink("/dev/zero", tree.PathOf("zero.csv"));
    std::filesystem::create_symlink("../c/file descriptions.desc",
                                    tree.PathOf("sp/link/file descriptions.desc"));
    tree.Write("sp/c/file descriptions.desc", WorkedExampleBytes(tree.PathOf("sp/c")));
    tree.Write("sp/huge/file descriptions.desc", "");
    std::filesystem::resize_file(tree.PathOf("sp/huge/file descriptions.desc"), 257u << 20);
    const std::string file = "qmdesc: The description file {F}/sp/",
                      special = " cannot be read: It is not a regular file.";
    const struct {
        std::vector<std::string> arguments;
        std::string out, error;
        int code;
    } cases[] = {
        {{"find", "pond", "sp"},
         "{F}/sp/c/pond.jpg: The pond after cleaning.\n{F}/sp/link/pond.jpg: The pond after cleaning.\n",
         file + "fifo/file descriptions.desc" + special,
         0},
        {{"show", "sp/fifo"}, "", file + "fifo/file descriptions.desc" + special, 2},
        {{"check", "sp/zero"}, "", file + "zero/file descriptions.desc" + special, 2},
        {{"set", "sp/fifo", "pond.jpg", "x"}, "", file + "fifo/file descriptions.desc" + special, 2},
        {{"relink", "sp/zero", "a", "pond.jpg"}, "", file + "zero/file descriptions.desc" + special, 2},
        {{"import", "sp/c", "zero.csv"}, "", "qmdesc: The file zero.csv" + special, 2},
        {{"import", "--descript-ion", "sp/d"}, "", "qmdesc: The file {F}/sp/d/descript.ion" + special, 2},
        {{"show", "sp/huge"},
         "",
         file + "huge/file descriptions.desc cannot be read: It is larger than 256 MB, the most the program "
                "reads.",
         2},
    };
    for (const auto& c : cases) {
        Output got = Qmdesc(tree.Path(), c.arguments);
        EXPECT_EQ(got.out, WithTree(c.out, tree.Path())) << c.arguments[0];
        EXPECT_EQ(got.firstError, WithTree(c.error, tree.Path())) << c.arguments[0];
        EXPECT_EQ(got.code, c.code) << c.arguments[0];
    }
}

TEST(Qmdesc, Arguments) {
    RunRows(ArgumentsRows);
}

TEST(Qmdesc, Set) {
    RunRows(SetRows);
}

TEST(Qmdesc, Relink) {
    RunRows(RelinkRows);
}

TEST(Qmdesc, Import) {
    RunRows(ImportRows);
}

TEST(Qmdesc, Export) {
    RunRows(ExportRows);
}

// The README shows the usage lines of --help as they stand.
TEST(Qmdesc, TheReadmeShowsTheUsageOfHelp) {
    std::istringstream help(Qmdesc(".", {"--help"}).out);
    std::vector<std::string> usage, shown;
    for (std::string line; std::getline(help, line) && !line.empty();) {
        usage.push_back(line.substr(line.find("qmdesc ")));
    }
    std::ifstream readme(QUILLMARK_README);
    bool inBlock = false;
    for (std::string line; std::getline(readme, line);) {
        inBlock = line == "```sh" || (inBlock && line != "```");
        if (inBlock && line.rfind("qmdesc ", 0) == 0) {
            shown.push_back(line);
        }
    }
    EXPECT_EQ(shown, usage);
}

// Patterns on which a backtracking engine recurses per character or runs away, over long texts: each
// search ends at once, with the entry found, or named on standard error and the search gone on.
TEST(Qmdesc, RegexOverLongTexts) {
    TestFolder folder(false);
    std::string words, ab;
    while (words.size() < 40000) {
        words += "word ";
    }
    words += "end";
    while (ab.size() < 100000) {
        ab += "ab";
    }
    const std::string texts[][3] = {{"words", "a.txt", words},
                                    {"ab", "b.txt", ab},
                                    {"ab", "z.txt", "abc"},
                                    {"w33", "c.txt", std::string(32, 'a') + "!"}};
    for (const auto& [sub, name, text] : texts) {
        std::filesystem::create_directories(folder.PathOf(sub));
        folder.Write(sub + "/" + name, "x");
        std::string file = sub + "/file descriptions.desc";
        std::string bytes = folder.Read(file);
        folder.Write(file, (bytes.empty() ? "<folder_name>x</folder_name>" : bytes) + Block(name, text));
    }
    const std::string cannot = "qmdesc: The entry {F}/", why = " cannot be searched with this --regex: ";
    const std::string complexity =
        "The complexity of matching the regular expression exceeded predefined bounds.";
    struct Case {
        const char* pattern;
        const char* folder;
        std::string out;                  // its lines in any order
        std::vector<std::string> errors;  // in any order
    } cases[] = {
        {"(word )+end", "words", "{F}/words/a.txt: " + words + "\n", {}},
        {"(a|b)*c",
         "ab",
         "{F}/ab/file descriptions.desc\n{F}/ab/z.txt: abc\n",
         {cannot + "ab/b.txt" + why + "Ran out of stack space trying to match the regular expression."}},
        // "." and ".." have no description, which the pattern matches.
        {"^(\\w+\\s?)*$",
         "w33",
         "{F}/w33/.\n{F}/w33/..\n",
         {cannot + "w33/c.txt" + why + complexity, cannot + "w33/file descriptions.desc" + why + complexity}},
    };
    for (Case& c : cases) {
        Output got = Qmdesc(folder.Path(), {"find", "--regex", c.pattern, c.folder});
        std::sort(got.errors.begin(), got.errors.end());
        for (std::string& error : c.errors) {
            error = WithTree(error, folder.Path());
        }
        std::sort(c.errors.begin(), c.errors.end());
        EXPECT_EQ(SortedLines(got.out), SortedLines(WithTree(c.out, folder.Path()))) << c.pattern;
        EXPECT_EQ(got.errors, c.errors) << c.pattern;
        EXPECT_EQ(got.code, 0) << c.pattern;
    }
}

// A folder deeper than the longest path the system takes is searched: find enters each folder from
// the one before it.
TEST(Qmdesc, FindReachesAFolderDeeperThanPathMax) {
    TestFolder folder(false);
    std::string name(200, 'd'), deep;
    for (int i = 0; i < 25; ++i) {
        deep += name + "/";
    }
    ASSERT_GT(folder.Path().size() + deep.size(), size_t{PATH_MAX});
    // Each folder is made from the one before it, as no path reaches the deepest.
    int at = open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 25; ++i) {
        mkdirat(at, name.c_str(), 0755);
        int next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(at);
        at = next;
    }
    std::string bytes = "<folder_name>x</folder_name>" + Block("a.txt", "deep down");
    int file = openat(at, "file descriptions.desc", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(file);
    close(openat(at, "a.txt", O_WRONLY | O_CREAT, 0644));
    close(at);
    Output got = Qmdesc(folder.Path(), {"find", "DEEP"});
    EXPECT_EQ(got.out, folder.Path() + "/" + deep + "a.txt: deep down\n");
    EXPECT_EQ(got.firstError, "");
    EXPECT_EQ(got.code, 0);
    // The library's remove_all stops at the longest path; rm goes down folder by folder.
    RunIn(folder.Path(), "rm -rf " + name);
}

// What show --format csv and export --descript-ion write, imported back with --overwrite after the
// descriptions were changed, gives back the file byte for byte.
TEST(Qmdesc, ExportsImportBack) {
    TestFolder folder(false);
    folder.Write("file descriptions.desc", WorkedExampleBytes(folder.Path()));
    folder.Write("pond.jpg", "x");
    folder.Write("shed plan.txt", "x");
    std::string q = Quoted(QMDESC_PROGRAM);
    std::string change = q + " set . pond.jpg changed && " + q + " set . 'shed plan.txt' 'changed too' && ";
    Output got =
        RunIn(folder.Path(),
              // The first write puts the blocks in the folder's listing order, as a save does.
              q + " set . pond.jpg x && " + q + " set . pond.jpg 'The pond after cleaning.' && " +
                  "cp 'file descriptions.desc' saved && " + q + " show --format csv > saved.csv && " +
                  change + q + " import . saved.csv --overwrite && cmp saved 'file descriptions.desc' && " +
                  q + " export --descript-ion . && cp descript.ion ansi.ion && " + change + q +
                  " import --descript-ion . --overwrite && cmp saved 'file descriptions.desc' && " + q +
                  " export --descript-ion . --encoding utf8 --overwrite && " + change + q +
                  " import --descript-ion . --overwrite && cmp saved 'file descriptions.desc' && echo same");
    EXPECT_EQ(got.out, "same\n") << got.firstError;
    // A name with a blank in quotes, a multi-line description on one line with its ending.
    const char shed[] = "\"shed plan.txt\" Measurements for the shed.\\nSecond version.\x04\xC2\r\n";
    EXPECT_NE(folder.Read("ansi.ion").find(shed), std::string::npos);
    EXPECT_EQ(folder.Read("descript.ion"), "\xEF\xBB\xBF" + folder.Read("ansi.ion"));
}

// What a descript.ion cannot hold is left out and named, never changed: a description of several lines
// holding "\n". Code-page text whose bytes look like UTF-8 goes out as UTF-8 with a byte-order mark, so
// that the import brings back exactly what was exported. The files qmdesc creates follow the umask.
TEST(Qmdesc, ExportLeavesOutWhatDescriptIonCannotHold) {
    TestFolder folder(false);
    folder.Write("a.txt", "x");
    folder.Write("b.txt", "x");
    std::string q = Quoted(QMDESC_PROGRAM);
    Output got = RunIn(folder.Path(),
                       "umask 077 && " + q +
                           " set . a.txt '\xC3\x83\xC2\xA9 and \xC3\x82\xC2\xA3"
                           "5' 2>/dev/null && " +
                           q +
                           " set . b.txt \"$(printf 'C:\\\\new\\\\table\\nline two')\" 2>/dev/null && cp "
                           "'file descriptions.desc' saved && " +
                           q + " export --descript-ion . && " + q + " set . a.txt changed && " + q +
                           " import --descript-ion . --overwrite && cmp saved 'file "
                           "descriptions.desc' && echo same");
    EXPECT_EQ(got.out, "same\n");
    EXPECT_EQ(got.firstError,
              "qmdesc: left out b.txt: its description has several lines and holds the two characters \\n, "
              "which stand for a line break");
    EXPECT_EQ(folder.Read("descript.ion"),
              "\xEF\xBB\xBF"
              "a.txt \xC3\x83\xC2\xA9 and \xC3\x82\xC2\xA3"
              "5\r\n");
    for (const char* created : {"file descriptions.desc", "descript.ion"}) {
        struct stat info {};
        EXPECT_EQ(stat(folder.PathOf(created).c_str(), &info) == 0 ? info.st_mode & 0777 : 0, 0600u)
            << created;
    }
}

// Writers of one description file exclude each other from the read to the replace: pairs of set on two
// entries, started together, both stay in the file. A writer waits while the folder is locked (flock
// here) and gives up after ten seconds, writing nothing.
TEST(Qmdesc, WritersAtOnceLoseNothing) {
    TestFolder folder(false);
    folder.Write("a.txt", "x");
    folder.Write("b.txt", "x");
    std::string q = Quoted(QMDESC_PROGRAM), file = "'file descriptions.desc'";
    Output got =
        RunIn(folder.Path(),
              q + " set . a.txt start && for i in $(seq 30); do " + q + " set . a.txt a$i & " + q +
                  " set . b.txt b$i & wait; tr -d '\\r' <" + file +
                  " | grep -cx [ab]$i | grep -qx 2 || echo lost $i; done; flock . sleep 1 & sleep 0.2; " + q +
                  " set . a.txt waited; echo $?; wait; flock . sleep 12 & sleep 0.2; " + q +
                  " set . a.txt never; echo $?; grep -c waited " + file + "; wait");
    EXPECT_EQ(got.out, "0\n2\n1\n");
    EXPECT_EQ(got.lastError, "qmdesc: The description file " + folder.PathOf("file descriptions.desc") +
                                 " cannot be written: Another program kept writing it for 10 seconds.");
}

// On a terminal (script gives qmdesc one) a name's control characters are shown escaped, in the output
// and in messages; through a pipe the output keeps its bytes.
TEST(Qmdesc, ControlCharactersAreEscapedOnATerminal) {
    TestFolder folder(false);
    folder.Write("evil\x1B[2J.txt", "x");
    std::string q = Quoted(QMDESC_PROGRAM);
    Output got = RunIn(folder.Path(), q + " set . 'evil\x1B[2J.txt' hi && script -qec \"" + q + " show .; " +
                                          q + " set . 'no\x1B[1m' x\" /dev/null; " + q + " show .");
    EXPECT_NE(got.out.find("evil\\x1B[2J.txt: hi\r\n"), std::string::npos) << got.out;
    EXPECT_NE(got.out.find("qmdesc: no\\x1B[1m is not in the folder"), std::string::npos) << got.out;
    EXPECT_NE(got.out.find("\nevil\x1B[2J.txt: hi\n"), std::string::npos) << got.out;
}

// qmdesc with arguments as a shell command that gdb stops between its read of the description file and
// its write (where it checks that it is still in the folder), runs action there and lets go on; the
// command prints "exit N", qmdesc's exit code. A pause the test controls, with no seam in the program.
std::string PausedBeforeTheWrite(const std::vector<std::string>& arguments, const std::string& action) {
    std::string command =
        "timeout 60 gdb -q -batch -ex 'set disable-randomization off' -ex 'set breakpoint "
        "pending on' -ex 'break StillInFolderOf' -ex run -ex " +
        Quoted("shell " + action) + " -ex continue -ex 'printf \"exit %d\\n\", $_exitcode' --args " +
        Quoted(QMDESC_PROGRAM);
    for (const std::string& argument : arguments) {
        command += " " + Quoted(argument);
    }
    return command + " | grep '^exit '";
}

// A description file another program changes between qmdesc's read and its write is left as that
// program wrote it.
TEST(Qmdesc, AFileChangedSinceItWasReadIsLeftAlone) {
    TestFolder folder(false);
    std::string bytes = WorkedExampleBytes(folder.Path());
    folder.Write("file descriptions.desc", bytes);
    folder.Write("pond.jpg", "x");
    Output got = RunIn(folder.Path(), PausedBeforeTheWrite({"set", ".", "pond.jpg", "x"},
                                                           "printf ' ' >> 'file descriptions.desc'"));
    EXPECT_EQ(got.out, "exit 2\n");
    EXPECT_EQ(got.firstError,
              "qmdesc: The description file " + folder.PathOf("file descriptions.desc") +
                  " was changed by another program since qmdesc read it; nothing was written. Run "
                  "qmdesc again.");
    EXPECT_EQ(folder.Read("file descriptions.desc"), bytes + " ");
}

// Runs command in folder, the whole of it without the super-user's rights when the tests have them, so
// that a write outside the folder cannot reach the machine's root folder even when qmdesc goes wrong.
Output RunAsUser(const TestFolder& folder, const std::string& command) {
    chmod(folder.Path().c_str(), 0777);
    std::string user = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    return RunIn(folder.Path(), user + "bash -c " + Quoted(command));
}

// Where the current folder's path cannot be had, a write still goes to the folder the user named, by a
// name relative to it, and nowhere else: not into the root, not into the folder qmdesc started from.
TEST(Qmdesc, WritesStayInAFolderWhosePathCannotBeHad) {
    ASSERT_FALSE(std::filesystem::exists("/file descriptions.desc")) << "left by an earlier run";
    TestFolder folder(false);
    std::string q = Quoted(QMDESC_PROGRAM);
    // 25 names of 200 letters: deeper than the 4,096 bytes a path may have.
    Output got = RunAsUser(
        folder,
        "d=$(printf 'd%.0s' $(seq 200)) && for i in $(seq 25); do mkdir $d && cd $d || exit; done && "
        "touch a.txt && " +
            q + " set . a.txt Deep; echo \"set $?\"; cat 'file descriptions.desc'; echo; " + q +
            " show --stored .; cd \"$(printf '../%.0s' $(seq 25))\" && rm -rf $d");
    EXPECT_EQ(got.out,
              "set 0\n<?xml "
              "version=\"1.0\"?>\r\n\r\n<file_description_data>\r\n\r\n<folder_name>.</folder_name>\r\n\r\n"
              "<folder_description>\r\nA "
              "folder\r\n</folder_description>\r\n\r\n<file>\r\n<file_name>a.txt</file_name>\r\n"
              "<file_description>\r\nDeep\r\n</file_description>\r\n</file>\r\n\r\n</file_description_data>\n"
              "Folder .: A folder\na.txt: Deep\n")
        << got.firstError;
    EXPECT_FALSE(std::filesystem::exists("/file descriptions.desc"));
    EXPECT_FALSE(folder.Has("file descriptions.desc"));
    EXPECT_FALSE(folder.Has(std::string(200, 'd')));
}

// A folder removed between qmdesc's read of its file and the write: nothing is written anywhere.
TEST(Qmdesc, AFolderRemovedBeforeTheWriteGetsNothingWritten) {
    ASSERT_FALSE(std::filesystem::exists("/file descriptions.desc")) << "left by an earlier run";
    TestFolder folder(false);
    folder.Write("x", "");
    std::filesystem::create_directory(folder.PathOf("gone"));
    folder.Write("gone/a.txt", "x");
    folder.Write("gone/file descriptions.desc", WorkedExampleBytes("gone"));
    chmod(folder.PathOf("gone").c_str(), 0777);
    Output got = RunAsUser(
        folder, PausedBeforeTheWrite({"set", "gone", "a.txt", "After the removal"}, "rm -rf gone") + "; ls");
    EXPECT_EQ(got.out, "exit 2\nx\n");
    EXPECT_EQ(got.firstError, "qmdesc: The folder " + folder.PathOf("gone") +
                                  " cannot be used: No such file or directory; nothing was written");
    EXPECT_FALSE(std::filesystem::exists("/file descriptions.desc"));
}

std::string Same(std::string_view bytes) {
    return std::string(bytes);
}

// descript.ion files as file managers wrote them: each gives these rows ("line|name|text"), its text
// being taken as UTF-8 (true) or the code page.
TEST(Qmdesc, DescriptIonFilesAsFound) {
    struct Case {
        const char* what;
        std::string bytes;
        bool utf8;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"LF ends, a blank line, no end after the last",
         "a.txt One\n\nb.txt  Two",
         false,
         {"1|a.txt|One", "3|b.txt|Two"}},
        {"a tab and trailing blanks", "a.txt\t Text  \r\n", false, {"1|a.txt|Text"}},
        {"a quoted name",
         "\"a b.txt\" Text\r\n\"c.txt\"\tMore\r\n",
         false,
         {"1|a b.txt|Text", "2|c.txt|More"}},
        {"a multi-line description", "a.txt One\\ntwo\x04\xC2\r\n", false, {"1|a.txt|One\r\ntwo"}},
        {"\\n without the ending stays", "a.txt C:\\new\r\n", false, {"1|a.txt|C:\\new"}},
        {"an ending damaged into U+FFFD",
         "a.txt caf\xC3\xA9\\nx\x04\xEF\xBF\xBD\n",
         true,
         {"1|a.txt|caf\xC3\xA9\r\nx"}},
        {"an ending damaged into \"Â\"", "a.txt \xC3\xA9\\nx\x04\xC3\x82\n", true, {"1|a.txt|\xC3\xA9\r\nx"}},
        {"a byte-order mark alone on the first line", "\xEF\xBB\xBF\r\na.txt One\r\n", true, {"2|a.txt|One"}},
        {"code page text is not UTF-8", "caf\xE9.txt Caf\xE9\r\n", false, {"1|caf\xE9.txt|Caf\xE9"}},
        {"an overlong form is not UTF-8", "a.txt voil\xE0\x85\xBB\r\n", false, {"1|a.txt|voil\xE0\x85\xBB"}},
        {"an encoded surrogate is not UTF-8", "a.txt \xED\xA0\x80\r\n", false, {"1|a.txt|\xED\xA0\x80"}},
        {"past U+10FFFF is not UTF-8", "a.txt \xF4\x90\x80\x80\r\n", false, {"1|a.txt|\xF4\x90\x80\x80"}},
        {"U+10FFFF is UTF-8", "a.txt \xF4\x8F\xBF\xBF\r\n", true, {"1|a.txt|\xF4\x8F\xBF\xBF"}},
        {"a name with a tab, quoted", "\"a\tb.txt\" Text\r\n", false, {"1|a\tb.txt|Text"}},
        {"an empty description", "a.txt\r\nb.txt \r\n", false, {"1|a.txt|", "2|b.txt|"}},
        {"UTF-16 with its byte-order mark",
         std::string("\xFF\xFE"
                     "a\0 \0\xE9\0\r\0\n\0",
                     12),
         true,
         {"1|a|\xC3\xA9"}},
    };
    for (const Case& c : cases) {
        std::string bytes = c.bytes;
        bool utf8 = EncodingOfDescriptIon(bytes, DescriptIonEncoding::CodePage, false, nullptr) ==
                    DescriptIonEncoding::Utf8;
        EXPECT_EQ(utf8, c.utf8) << c.what;
        std::vector<std::string> rows;
        for (const ImportedRow& row : ReadDescriptIonRows(bytes, Same)) {
            rows.push_back(std::to_string(row.line) + "|" + row.name + "|" + row.text);
        }
        EXPECT_EQ(rows, c.rows) << c.what;
    }
}

// The formats as the programs that take them read them: Python's csv and json readers, and Chromium,
// whose parse of the page must hold exactly the table qmdesc meant.
TEST(Qmdesc, OtherProgramsReadTheFormats) {
    QmdescTree tree;
    std::string expected =
        "[[' blank .txt', 'ends in blanks'], ['café.txt', 'Café au lait'], ['a,\"b\".txt', "
        "'comma, \"quote\"\\r\\nline two'], ['<&\">.txt', '<b>&amp;</b>']]\n";
    const char* readers[][2] = {
        {"csv",
         "import csv,io,sys; r=list(csv.reader(io.TextIOWrapper(sys.stdin.buffer, 'utf-8-sig', "
         "newline=''))); print([row[:2] for row in r[1:]] if r[0][:2]==['name','description'] else r)"},
        {"json",
         "import json,sys; d=json.load(sys.stdin); print([[e['name'],e['description']] for e in "
         "d['entries'] if e['exists'] and e['name'] not in ('.','..','file descriptions.desc')])"},
    };
    std::string storedLines = expected;
    storedLines.replace(storedLines.find("\\r\\n"), 4, "\\n");
    for (const auto& [format, script] : readers) {
        Output got =
            RunIn(tree.Path(), Quoted(QMDESC_PROGRAM) + " show --stored --format " + format + " odd | " +
                                   (std::string(format) == "csv" ? "" : "") + "python3 -c " + Quoted(script));
        // CSV spells a line break CR LF, as the description dialog stores it; the others keep the stored LF.
        EXPECT_EQ(got.out, std::string(format) == "csv" ? expected : storedLines) << format;
    }
    std::string dom =
        "import html.parser,sys\n"
        "class P(html.parser.HTMLParser):\n"
        "  rows=[]; cell=None; bad=[]\n"
        "  def handle_starttag(s,t,a):\n"
        "    if t=='tr': s.rows.append([])\n"
        "    if t=='td': s.cell=''\n"
        "    if t in ('script','link','img','iframe'): s.bad.append(t)\n"
        "  def handle_endtag(s,t):\n"
        "    if t=='td': s.rows[-1].append(s.cell); s.cell=None\n"
        "  def handle_data(s,d):\n"
        "    if s.cell is not None: s.cell+=d\n"
        "p=P(); p.feed(sys.stdin.read()); print([r[:2] for r in p.rows if r] if not p.bad else p.bad)\n";
    Output page =
        RunIn(tree.Path(), Quoted(QMDESC_PROGRAM) +
                               " show --stored --format html odd > page.html && "
                               "chromium --headless --no-sandbox --disable-gpu --dump-dom file://" +
                               Quoted(tree.PathOf("page.html")) + " 2>/dev/null | python3 -c " + Quoted(dom));
    EXPECT_EQ(page.out, storedLines);
}

}  // namespace
