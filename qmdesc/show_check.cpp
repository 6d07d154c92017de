#include "qmdesc/show_check.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "descfile/markers.h"
#include "descfile/text_helpers.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/formats.h"
#include "qmdesc/import_formats.h"
#include "qmdesc/system.h"
#include "store/tables.h"

int Show(const Request& request) {
    LoadedFile file;
    if (!LoadPath(request.operands.empty() ? "." : request.operands[0], FileUse::Show, file)) {
        return 2;
    }
    if (request.format != Format::Text && !IsUtf8(file.folder)) {
        ReportProblem(file.folder +
                      " is a path that is not UTF-8, which csv, json and html cannot hold "
                      "(--format text shows it)");
        return 2;
    }
    std::vector<CatalogueEntry> entries = request.Has(Stored) ? StoredEntries() : ShownEntries();
    WriteOutput(CatalogueText(request.format, file.folder, TrimText(FolderDescription), entries,
                              request.Has(Stored)));
    if (file.isNew) {
        ReportProblem("nothing found: " + file.folder + " has no description file \"" + DescriptionFileName +
                      "\" (qmdesc set \"" + file.folder + "\" NAME TEXT describes an entry)");
        return 1;
    }
    return 0;
}

namespace {

// Writes one finding of check, with any lines after the first indented under it.
void Report(const std::string& line, bool& any, const std::string& text = std::string()) {
    WriteOutput(Labelled(line, text));
    any = true;
}

// Reports the markers text holds, where as "in the description of NAME" and the like, and notes each
// in reported; shown, when given, is indented under the report.
void ReportMarkers(const std::string& text,
                   const std::string& where,
                   bool& any,
                   std::set<std::string_view>& reported,
                   const std::string& shown = std::string()) {
    for (std::string_view marker : ReaderMarkers) {
        if (text.find(marker) != std::string::npos) {
            Report("Marker text \"" + std::string(marker) + "\" " + where, any, shown);
            reported.insert(marker);
        }
    }
}

// Reports each marker of the text that stands where a description file has none, by its line, unless
// the names and descriptions as read already showed that marker: one that cuts a name or description
// short is in none of them. A file has a folder name and a folder description outside its blocks, and
// each block ("<file>" to "</file>") a name and a description; each field is closed before the next
// marker.
void ReportMarkersOutOfPlace(const std::string& text, bool& any, const std::set<std::string_view>& reported) {
    std::vector<std::pair<size_t, size_t>> found;  // position, index in ReaderMarkers
    for (size_t m = 0; m < std::size(ReaderMarkers); ++m) {
        for (size_t at = text.find(ReaderMarkers[m]); at != std::string::npos;
             at = text.find(ReaderMarkers[m], at + 1)) {
            found.emplace_back(at, m);
        }
    }
    std::sort(found.begin(), found.end());
    bool inBlock = false;
    std::string_view openField;
    std::set<std::string_view> seen;  // the fields of the folder, or of the block it is in
    size_t line = 1, counted = 0;
    for (const auto& [at, m] : found) {
        std::string_view marker = ReaderMarkers[m];
        bool fits = false;
        if (!openField.empty()) {
            fits = marker.substr(0, 2) == "</" && marker.substr(2) == openField.substr(1);
            openField = fits ? std::string_view() : openField;
        } else if (marker == FileOpen || marker == FileClose) {
            fits = inBlock == (marker == FileClose);
            inBlock = fits ? !inBlock : inBlock;
            seen.clear();
        } else if (marker.substr(0, 2) != "</") {
            bool blockField = marker == FileNameOpen || marker == FileDescriptionOpen;
            fits = blockField == inBlock && seen.insert(marker).second;
            openField = fits ? marker : openField;
        }
        if (fits || reported.count(marker) != 0) {
            continue;
        }
        line += static_cast<size_t>(std::count(text.begin() + counted, text.begin() + at, '\n'));
        counted = at;
        Report("Marker text \"" + std::string(marker) + "\" out of place on line " + std::to_string(line) +
                   ": a name or description that holds it is read cut short there",
               any);
    }
}

// A name in one letter case, and the same without its last extension.
std::wstring Folded(const std::string& name) {
    return FoldedCase(WideOfUtf8(Utf8OfCodePage(name)));
}
std::wstring Stem(const std::wstring& name) {
    size_t dot = name.rfind(L'.');
    return dot == 0 || dot == std::wstring::npos ? name : name.substr(0, dot);
}

// The listed entries without a description that are most likely gone renamed: the same name but for
// letter case or extension first, then one that holds the gone name's stem (of 3 letters or more); when
// neither, and gone is the only stored entry gone, the one listed entry the file does not store, if
// there is one alone. Suggestions only: names in the code page.
std::vector<std::string> LikelyNewNames(const std::string& gone,
                                        const std::vector<std::string>& undescribed,
                                        const std::vector<std::string>& unstored,
                                        size_t goneCount) {
    std::wstring folded = Folded(gone), stem = Stem(folded);
    std::vector<std::string> same, holding;
    for (const std::string& name : undescribed) {
        std::wstring candidate = Folded(name);
        if (candidate == folded || Stem(candidate) == stem) {
            same.push_back(name);
        } else if (stem.size() >= 3 && candidate.find(stem) != std::wstring::npos) {
            holding.push_back(name);
        }
    }
    if (!same.empty()) {
        return same;
    }
    if (!holding.empty() || goneCount != 1 || unstored.size() != 1) {
        return holding;
    }
    return unstored;
}

// Says for each stored description whose entry is gone which listed entries it was likely renamed to,
// with the relink command that would move it there.
void ReportLikelyRenames(const std::string& path, bool& any) {
    std::vector<std::string> gone, undescribed, unstored;
    std::set<std::string> stored;
    for (const CatalogueEntry& entry : StoredEntries()) {
        stored.insert(entry.name);
        if (!entry.exists && !entry.repeated && !entry.description.empty()) {
            gone.push_back(entry.name);
        }
    }
    for (const CatalogueEntry& entry : ShownEntries()) {
        bool special =
            entry.name == "." || entry.name == ".." || entry.name == CodePageOfUtf8(DescriptionFileName);
        if (!special && entry.description.empty()) {
            undescribed.push_back(entry.name);
            if (stored.count(entry.name) == 0) {
                unstored.push_back(entry.name);
            }
        }
    }
    for (const std::string& old : gone) {
        for (const std::string& name : LikelyNewNames(old, undescribed, unstored, gone.size())) {
            Report("Perhaps renamed: " + Utf8OfCodePage(old) + " to " + Utf8OfCodePage(name) +
                       " (qmdesc relink \"" + path + "\" \"" + Utf8OfCodePage(old) + "\" \"" +
                       Utf8OfCodePage(name) + "\" moves its description)",
                   any);
        }
    }
}

}  // namespace

int Check(const Request& request) {
    LoadedFile file;
    if (!LoadPath(request.operands.empty() ? "." : request.operands[0], FileUse::Check, file)) {
        return 2;
    }
    bool any = false;
    std::set<std::string_view> reported;
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
            ReportMarkers(entry.name, "in the stored name " + name, any, reported);
            ReportMarkers(entry.description, "in the description of " + name, any, reported);
        }
    }
    ReportLikelyRenames(request.operands.empty() ? "." : request.operands[0], any);
    ReportMarkers(FolderDescription, "in the folder description (qmdesc set PATH --folder TEXT replaces it)",
                  any, reported, Utf8OfCodePage(TrimText(FolderDescription)));
    std::unordered_map<std::string, int> shown;
    for (const CatalogueEntry& entry : ShownEntries()) {
        if (++shown[entry.name] > 1) {
            continue;  // names the code page spells alike are reported once, below
        }
        std::string name = Utf8OfCodePage(entry.name);
        ReportMarkers(entry.name, "in the name " + name, any, reported);
        ReportMarkers(entry.description, "in the description of " + name, any, reported);
    }
    ReportMarkersOutOfPlace(file.text, any, reported);
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
