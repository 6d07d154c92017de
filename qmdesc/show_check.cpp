#include "qmdesc/show_check.h"

#include <map>
#include <string>
#include <unordered_map>

#include "descfile/markers.h"
#include "descfile/text_helpers.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/formats.h"
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
    return 0;
}

namespace {

// Writes one finding of check, with any lines after the first indented under it.
void Report(const std::string& line, bool& any, const std::string& text = std::string()) {
    WriteOutput(Labelled(line, text));
    any = true;
}

// Reports the markers text holds, where as "in the description of NAME" and the like.
void ReportMarkers(const std::string& text, const std::string& where, bool& any) {
    for (std::string_view marker : ReaderMarkers) {
        if (text.find(marker) != std::string::npos) {
            Report("Marker text \"" + std::string(marker) + "\" " + where, any);
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
