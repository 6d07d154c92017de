#include "qmdesc/writes.h"

#include <algorithm>
#include <unordered_map>

#include "descfile/markers.h"
#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "descfile/writer.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/formats.h"
#include "qmdesc/import_formats.h"
#include "qmdesc/system.h"
#include "store/described_folder.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// The slot of the listed entry of that name (code-page bytes), or -1.
int ListedIndex(const std::string& name) {
    for (int i = 0; i < FileCount; ++i) {
        if (FolderFiles[i] == name) {
            return i;
        }
    }
    return -1;
}

// The first marker text or Ctrl+Z that text holds, to say why it cannot be written as it stands; ""
// when it holds neither.
std::string MarkerIn(std::string_view text) {
    size_t first = text.find('\x1A');
    std::string found = first == std::string_view::npos ? "" : "a Ctrl+Z";
    for (std::string_view marker : ReaderMarkers) {
        size_t at = text.find(marker);
        if (at < first) {
            first = at;
            found = "the marker text \"" + std::string(marker) + "\"";
        }
    }
    return found;
}

// What text new to the file (the folder's path and description, an entry's name and a description that
// differs from the one the file held) makes bytes, as written, read back to other tables: each such text
// that holds a marker or a Ctrl+Z, or that is itself misread, with why. Nothing when the file reads
// back as written, or when only what the file held already is misread. A description moved as it is
// from the stored name moved counts as the file's own. The window program writes what its user typed;
// qmdesc refuses text that its reader would take for markup, since it can change other entries.
std::vector<std::string> MisreadNewText(const std::string& bytes,
                                        const LoadedFile& file,
                                        const std::string& folderName,
                                        const std::vector<std::string>& names,
                                        const std::vector<std::string>& descriptions,
                                        const std::string& moved) {
    std::vector<std::string> before(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        before[i] = file.isNew ? std::string() : LookUpStoredDescription(names[i]);
    }
    std::string movedText = moved.empty() ? std::string() : LookUpStoredDescription(moved);
    std::string written = TrimText(FolderDescription);
    std::vector<std::string> culprits;
    auto blame = [&](const std::string& what, const std::string& text, bool misread) {
        std::string marker = MarkerIn(text);
        if (!marker.empty() || misread) {
            culprits.push_back(what + " holds " +
                               (marker.empty() ? "text the reader takes for markup" : marker));
        }
    };
    if (written != TrimText(file.storedFolderDescription)) {
        blame("the folder's description", written, false);
    }
    blame("the folder's path", folderName, false);
    // The bytes are read back as Open reads them, into tables of their own.
    TablesSetAside aside;
    SetTablesAside(aside);
    std::string text = DecodeTextMode(bytes);
    bool misread = ExtractBetween(text, FolderNameOpen, FolderNameClose) != folderName;
    LoadDescriptionTables(text, std::vector<std::string>(names));
    misread |= TrimText(FolderDescription) != written;
    for (int i = 0; i < FileCount; ++i) {
        std::string description = TrimText(descriptions[i]), name = Utf8OfCodePage(names[i]);
        bool entryMisread = FolderDescriptions[i] != description;
        misread |= entryMisread;
        if (description != before[i]) {
            size_t blamed = culprits.size();
            blame(name + ": its name", names[i], false);
            if (culprits.size() == blamed && (moved.empty() || description != movedText)) {
                blame(name + ": its description", description, entryMisread);
            }
        }
    }
    PutTablesBack(aside);
    return misread ? culprits : std::vector<std::string>();
}

// What a write did, for the line that ends it: each count that is not 0 with what it counts, as in
// "3 set, 1 kept, 1 not in the folder"; "nothing changed" when every count is 0.
std::string Counted(std::initializer_list<std::pair<size_t, const char*>> counts) {
    std::string line;
    for (const auto& [count, what] : counts) {
        if (count != 0) {
            line += (line.empty() ? "" : ", ") + std::to_string(count) + " " + what;
        }
    }
    return line.empty() ? "nothing changed" : line;
}

}  // namespace

int WriteCatalogue(const LoadedFile& file, const GoneEntries& goneEntries, const std::string& done) {
    std::vector<std::string> names(FolderFiles.begin(), FolderFiles.begin() + FileCount);
    std::vector<std::string> descriptions(FolderDescriptions.begin(), FolderDescriptions.begin() + FileCount);
    std::string notes;  // said once the file is written, since a failed write keeps and drops nothing
    size_t gone = 0;
    const std::vector<std::string>& dropped = goneEntries.dropped;
    std::vector<CatalogueEntry> stored = StoredEntries();
    stored.insert(stored.end(), goneEntries.added.begin(), goneEntries.added.end());
    for (CatalogueEntry& entry : stored) {
        // Only the first block of a name counts, as when the file is read.
        if (entry.repeated || entry.exists || entry.description.empty() ||
            std::find(dropped.begin(), dropped.end(), entry.name) != dropped.end()) {
            continue;
        }
        ++gone;
        if (goneEntries.drop) {
            notes += "qmdesc: dropped the description of " + Utf8OfCodePage(entry.name) +
                     ", which is not in the folder\n";
            continue;
        }
        notes += "qmdesc: kept the description of " + Utf8OfCodePage(entry.name) +
                 ", which is not in the folder (--drop-gone drops it)\n";
        names.push_back(std::move(entry.name));
        descriptions.push_back(std::move(entry.description));
    }
    // The window's Save stores the folder's path, which it can spell (LoadPath refused any other). A new
    // file has the path as shown: the one given where the full one cannot be had.
    std::string folderName =
        StoresFolderPath || file.isNew ? CodePageOfUtf8(file.folder) : file.storedFolderName;
    std::string bytes = FormatDescriptionFile(folderName, FolderDescription, names, descriptions,
                                              static_cast<int>(names.size()));
    std::string moved = dropped.size() == 1 ? dropped[0] : std::string();
    std::vector<std::string> misread = MisreadNewText(bytes, file, folderName, names, descriptions, moved);
    if (!misread.empty()) {
        for (const std::string& why : misread) {
            ReportProblem(why + ", which the description file cannot hold as text");
        }
        ReportProblem("nothing was written to " + file.path);
        return 2;
    }
    // The file is named relative to the folder it was read in, which must still be the current one.
    std::string target = CoreFileName(file.fileName);
    if (!StillInFolderOf(file)) {
        return 2;
    }
    bool changed = file.isNew ? StampOfFile(target).exists : FileChangedSince(target, file.stamp);
    if (changed) {
        ReportProblem("The description file " + file.path +
                      " was changed by another program since qmdesc read it; nothing was written. Run qmdesc "
                      "again.");
        return 2;
    }
    std::string reason;
    if (!ReplaceFileContent(target, bytes, reason)) {
        ReportProblem(ProblemLine("The description file", file.path, "cannot be written", reason));
        return 2;
    }
    // watch says what it did in its own words.
    if (!done.empty()) {
        WriteError(notes + "qmdesc: " + done +
                   (gone == 0 ? ""
                              : "; of entries not in the folder " +
                                    Counted({{gone, goneEntries.drop ? "dropped" : "kept"}})) +
                   "\n");
    }
    return 0;
}

namespace {

// The description as the description dialog stores it: every line break CR LF. False when the code
// page cannot hold the text.
bool StoredText(const std::string& utf8, std::string& text) {
    std::string bytes;
    if (!ExactCodePageOfUtf8(utf8, bytes)) {
        return false;
    }
    text = WithCrLfBreaks(bytes);
    return true;
}

const char DescriptIonName[] = "descript.ion";

// The text set takes: given, or for "-" standard input in the encoding asked for; without one, UTF-8,
// or text piped from a console in the console's code page. False, with the problem named, for input
// that is not UTF-8 and no code page says how to read it.
bool TextToSet(const std::string& given, const std::string& encoding, std::string& text) {
    if (given != "-") {
        text = given;
        return true;
    }
    text = ReadStandardInput();
    unsigned codePage = 0;
    if (encoding == "ansi") {
        text = Utf8OfCodePage(text);
    } else if (encoding == "oem") {
        text = Utf8OfOemCodePage(text);
    } else if (!IsUtf8(text)) {
        if (!encoding.empty() || !Utf8OfConsoleBytes(text, text, codePage)) {
            ReportProblem("standard input is not UTF-8: --encoding ansi or oem reads it in a code page");
            return false;
        }
        WriteError("qmdesc: standard input read in the console's code page, " + std::to_string(codePage) +
                   ", since it is not UTF-8\n");
    }
    return true;
}

// Sets the descriptions rows bring in, as the user's options say; a CSV's rows are strict (a name given
// twice refuses the import), a descript.ion's are not (the first line of a name counts). Returns the
// exit code.
int ApplyRows(const std::vector<ImportedRow>& rows,
              std::vector<std::string> problems,
              const LoadedFile& file,
              const Request& request,
              bool strict) {
    std::unordered_map<std::string, int> listed;
    for (int i = 0; i < FileCount; ++i) {
        listed.emplace(FolderFiles[i], i);
    }
    // The names in any letter case, made at the first name that is not listed as it stands.
    std::unordered_map<std::wstring, std::vector<int>> folded;
    std::unordered_map<std::string, size_t> firstLine;
    std::unordered_map<int, size_t> entryLine;
    std::vector<std::pair<int, std::string>> changes;
    std::string notes;
    size_t kept = 0, unchanged = 0, notListed = 0, twice = 0;
    for (const ImportedRow& row : rows) {
        std::string where = "line " + std::to_string(row.line) + ": ", name, text;
        if (!ExactCodePageOfUtf8(row.name, name)) {
            problems.push_back(where + "the name " + row.name +
                               " holds a character the code page cannot hold");
            continue;
        }
        if (!StoredText(row.text, text)) {
            problems.push_back(where + "the description of " + row.name +
                               " holds a character the code page cannot hold");
            continue;
        }
        auto [first, fresh] = firstLine.emplace(name, row.line);
        if (!fresh) {
            std::string again =
                where + row.name + " is given twice, first on line " + std::to_string(first->second);
            strict ? problems.push_back(again) : void(notes += "qmdesc: " + again + "; skipped\n");
            ++twice;
            continue;
        }
        // An empty description removes nothing: set does that.
        if (TrimText(text).empty()) {
            continue;
        }
        auto exact = listed.find(name);
        int index = exact == listed.end() ? -1 : exact->second;
        if (index < 0) {
            for (int i = folded.empty() ? 0 : FileCount; i < FileCount; ++i) {
                folded[FoldedCase(WideOfUtf8(Utf8OfCodePage(FolderFiles[i])))].push_back(i);
            }
            auto match = folded.find(FoldedCase(WideOfUtf8(row.name)));
            if (match == folded.end() || match->second.size() > 1) {
                notes += "qmdesc: " + where + row.name +
                         (match == folded.end() ? " is not in the folder"
                                                : " names several entries but for letter case") +
                         "; skipped\n";
                ++notListed;
                continue;
            }
            index = match->second[0];
        }
        // Two names that go to one entry: the first counts.
        auto [earlier, firstForEntry] = entryLine.emplace(index, row.line);
        if (!firstForEntry) {
            std::string again =
                where + row.name + " names the entry of line " + std::to_string(earlier->second) + " again";
            strict ? problems.push_back(again) : void(notes += "qmdesc: " + again + "; skipped\n");
            ++twice;
            continue;
        }
        const std::string& current = FolderDescriptions[index];
        if (current == TrimText(text)) {
            ++unchanged;
            continue;
        }
        if (!current.empty() && !request.Has(Overwrite)) {
            notes += "qmdesc: " + where + Utf8OfCodePage(FolderFiles[index]) +
                     " keeps its description (--overwrite replaces it)\n";
            ++kept;
            continue;
        }
        changes.emplace_back(index, text);
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            ReportProblem(problem);
        }
        ReportProblem("nothing was written");
        return 2;
    }
    std::string done = Counted({{changes.size(), "set"},
                                {kept, "kept"},
                                {unchanged, "unchanged"},
                                {notListed, "not in the folder"},
                                {twice, "given twice"}});
    if (request.Has(DryRun)) {
        for (const auto& [index, text] : changes) {
            WriteOutput(Utf8OfCodePage(FolderFiles[index]) + ": " +
                        Utf8OfCodePage(FirstLine(TrimText(text))) + "\n");
        }
        WriteError(notes + "qmdesc: nothing written (--dry-run): " + done + "\n");
        return 0;
    }
    if (changes.empty()) {
        WriteError(notes + "qmdesc: " + done + "\n");
        return 0;
    }
    WriteError(notes);
    for (auto& [index, text] : changes) {
        FolderDescriptions[index] = std::move(text);
    }
    return WriteCatalogue(file, {request.Has(DropGone), {}, {}}, done);
}

}  // namespace

int Import(const Request& request) {
    const std::vector<std::string>& operands = request.operands;
    bool descriptIon = request.Has(DescriptIon);
    if (operands.size() != (descriptIon ? 1u : 2u)) {
        return UsageError(descriptIon ? "import --descript-ion takes PATH" : "import takes PATH FILE.csv");
    }
    std::string bytes, reason;
    std::vector<ImportedRow> rows;
    std::vector<std::string> problems;
    if (!descriptIon) {
        // The CSV's path is taken from where qmdesc started, before it enters the folder.
        if (!SpelledInCodePage(operands[1], reason) ||
            !ReadWholeFile(CoreFileName(operands[1]), bytes, nullptr, &reason)) {
            ReportProblem(ProblemLine("The file", operands[1], "cannot be read", reason));
            return 2;
        }
        // A byte-order mark wins over --encoding.
        bool ansi = request.encoding == "ansi" && bytes.compare(0, 3, Utf8ByteOrderMark) != 0;
        size_t bad = 0;
        if (!ansi && !IsUtf8(bytes, &bad)) {
            ReportProblem(operands[1] + " is not UTF-8 (line " +
                          std::to_string(1 + std::count(bytes.begin(), bytes.begin() + bad, '\n')) +
                          "): --encoding ansi reads it in the code page");
            return 2;
        }
        rows = ReadCsvRows(ansi ? Utf8OfCodePage(bytes) : bytes, problems);
    }
    LoadedFile file;
    if (!LoadPath(operands[0], FileUse::Create, file)) {
        return 2;
    }
    if (descriptIon) {
        if (!ReadWholeFile(DescriptIonName, bytes, nullptr, &reason)) {
            ReportProblem(
                ProblemLine("The file", ShownPath(file.folder, DescriptIonName), "cannot be read", reason));
            return 2;
        }
        DescriptIonEncoding given = request.encoding == "oem"    ? DescriptIonEncoding::Oem
                                    : request.encoding == "utf8" ? DescriptIonEncoding::Utf8
                                                                 : DescriptIonEncoding::CodePage;
        std::string guess;
        rows = ReadDescriptIon(bytes, given, !request.encoding.empty(), &guess);
        if (!guess.empty()) {
            ReportProblem(ShownPath(file.folder, DescriptIonName) + " " + guess +
                          " (--encoding ansi or oem reads it in a code page)");
        }
    }
    return ApplyRows(rows, problems, file, request, !descriptIon);
}

int ExportDescriptIon(const Request& request) {
    if (!request.Has(DescriptIon)) {
        return UsageError("export writes only a descript.ion: give --descript-ion");
    }
    LoadedFile file;
    if (!LoadPath(request.operands[0], FileUse::Change, file)) {
        return 2;
    }
    std::string shown = ShownPath(file.folder, DescriptIonName);
    if (StampOfFile(DescriptIonName).exists && !request.Has(Overwrite)) {
        ReportProblem(shown + " exists; --overwrite replaces it");
        return 2;
    }
    bool utf8 = request.encoding == "utf8";
    std::vector<ImportedRow> entries;
    for (int i = 0; i < FileCount; ++i) {
        entries.push_back({0, FolderFiles[i], FolderDescriptions[i]});
    }
    std::vector<std::string> leftOut;
    std::string bytes = DescriptIonFile(entries, utf8, Utf8OfCodePage, leftOut);
    for (const std::string& entry : leftOut) {
        ReportProblem("left out " + entry);
    }
    if (!utf8 && bytes.compare(0, 3, Utf8ByteOrderMark) == 0) {
        ReportProblem(
            shown +
            " is written in UTF-8 with a byte-order mark: in the code page a reader would take it for "
            "UTF-8");
    }
    std::string reason;
    if (!StillInFolderOf(file)) {
        return 2;
    }
    if (!ReplaceFileContent(DescriptIonName, bytes, reason)) {
        ReportProblem(ProblemLine("The file", shown, "cannot be written", reason));
        return 2;
    }
    return 0;
}

int SetDescription(const Request& request) {
    const std::vector<std::string>& operands = request.operands;
    // Standard input is read before the file, so that a writer never holds the lock while it waits.
    bool ofFolder = request.Has(FolderGiven);
    if (operands.size() != (ofFolder ? 2u : 3u)) {
        return UsageError("set takes PATH NAME TEXT, or PATH --folder TEXT");
    }
    std::string given;
    if (!TextToSet(operands.back(), request.encoding, given)) {
        return 2;
    }
    LoadedFile file;
    if (!LoadPath(operands[0], FileUse::Create, file)) {
        return 2;
    }
    // Names given on the command line as the folder's listing spells them.
    int index = ofFolder ? -1 : ListedIndex(CodePageOfUtf8(operands[1]));
    if (!ofFolder && index < 0) {
        ReportProblem(operands[1] + " is not in the folder " + file.folder);
        return 2;
    }
    std::string text, whose = ofFolder ? "the folder" : operands[1];
    if (!StoredText(given, text)) {
        ReportProblem("the description of " + whose + " holds a character the code page cannot hold");
        return 2;
    }
    std::string& description = ofFolder ? FolderDescription : FolderDescriptions[index];
    // A write that would change nothing writes nothing: the file and its time stay as they were.
    if (TrimText(text) == TrimText(description)) {
        WriteError("qmdesc: " + Counted({{1, "unchanged"}}) + "\n");
        return 0;
    }
    bool removed = TrimText(text).empty();
    description = removed ? std::string() : text;
    return WriteCatalogue(file, {request.Has(DropGone), {}, {}},
                          Counted({{!removed, "set"}, {removed, "removed"}}));
}

int Relink(const Request& request) {
    const std::vector<std::string>& operands = request.operands;
    LoadedFile file;
    if (!LoadPath(operands[0], FileUse::Change, file)) {
        return 2;
    }
    std::string oldName = CodePageOfUtf8(operands[1]), newName = CodePageOfUtf8(operands[2]);
    std::string description;
    bool found = false;
    for (const CatalogueEntry& entry : StoredEntries()) {
        if (entry.name == oldName && !entry.exists) {
            description = entry.description;
            found = true;
            break;
        }
    }
    if (!found) {
        ReportProblem(operands[1] + " is no stored name whose entry is gone (qmdesc check lists those)");
        return 2;
    }
    int index = ListedIndex(newName);
    if (index < 0) {
        ReportProblem(operands[2] + " is not in the folder " + file.folder);
        return 2;
    }
    if (!FolderDescriptions[index].empty() && !request.Has(Overwrite)) {
        ReportProblem(operands[2] + " has a description already; --overwrite replaces it");
        return 2;
    }
    FolderDescriptions[index] = description;
    return WriteCatalogue(file, {request.Has(DropGone), {oldName}, {}}, Counted({{1, "relinked"}}));
}
