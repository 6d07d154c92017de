// Fuzzes the description file reader on raw bytes and the writer-reader round trip on tables cut from
// the same bytes.
//
// The input is read twice:
//  1. As a description file: the decoding, the block cutting and every look-up are checked against
//     plain reference versions (a linear search over the blocks for the look-up).
//  2. As tables: the first byte is a separator, the rest is split at it into the folder path, the
//     folder description, then name and description pairs. The tables are formatted, decoded, scanned
//     and looked up again.
//
// What the round trip must give back. The writer puts each name as it stands and TrimText(value) of
// each description, every Ctrl+Z in it written as a space, into the file with every LF as CR LF;
// DecodeTextMode turns every CR LF back into LF and keeps every other CR. Inside a value no CR of the
// file is followed by a LF that the value itself holds (a CR LF in the value is written CR CR LF, and
// only the second CR meets the LF), and the writer's own text after a value starts with CR LF or '<', so
// decoding gives back exactly the bytes the writer took, CRs and NULs included. A description is stored
// between "<file_description>\n" and "\n</file_description>", so the reader's TrimText sees
// "\n" + W + "\n" for the written W and returns TrimText(W), which is TrimText(d) with Ctrl+Z as space.
// Hence, for a stored name q (non-empty, no marker text, no Ctrl+Z):
//   LookUpStoredDescription(q) == TrimText(d with every Ctrl+Z as a space)
// where d is the description of the first entry named exactly q with a non-empty description, provided
// that neither d nor anything written before it holds marker text. When no such entry exists and nothing
// in the whole file holds marker text, the look-up gives "". Names with blanks at their ends, CR, LF or
// NUL are checked too: by the argument above they come back byte for byte.
//
// Left out on purpose: values holding marker text (the format escapes nothing, so such a value is read
// back as markup), names and folder paths holding Ctrl+Z (Windows allows neither, and the writer keeps
// them as they are), and everything written after either, since a stray marker can start a block that
// claims a later name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "descfile/writer.h"
#include "fuzz/fuzz_input.h"
#include "store/tables.h"
#include "tests/linear_lookup.h"

namespace {

// Every tag the writer emits or the reader looks for.
constexpr std::string_view Markers[] = {
    "<file>",
    "</file>",
    "<file_name>",
    "</file_name>",
    "<file_description>",
    "</file_description>",
    "<folder_name>",
    "</folder_name>",
    "<folder_description>",
    "</folder_description>",
    "<file_description_data>",
    "</file_description_data>",
};

// Look-ups per input are capped so that a file of many small blocks stays fast to check.
constexpr size_t MaxNames = 256;

// The text with every Ctrl+Z byte replaced by a space, as the writer puts a description.
std::string CtrlZAsSpace(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\x1A', ' ');
    return out;
}

// True when the text can sit in the file without being read as markup or ending the text.
bool IsClean(std::string_view text) {
    if (text.find('\x1A') != std::string_view::npos) {
        return false;
    }
    for (std::string_view marker : Markers) {
        if (text.find(marker) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// Text-mode decoding done byte by byte: cut at the first Ctrl+Z, then drop each CR that a LF follows.
std::string ReferenceDecode(std::string_view raw) {
    std::string_view kept = raw.substr(0, std::min(raw.find('\x1A'), raw.size()));
    std::string text;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i] == '\r' && i + 1 < kept.size() && kept[i + 1] == '\n') {
            continue;
        }
        text += kept[i];
    }
    return text;
}

// True when the text holds no marker text; a Ctrl+Z in a description is written as a space.
bool IsMarkerFree(std::string_view text) {
    return IsClean(CtrlZAsSpace(text));
}

// TrimText done the other way round: the leading strip first, then the trailing one.
std::string ReferenceTrim(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\n')) {
        ++start;
    }
    size_t end = text.size();
    while (end > start && std::string_view(" \n\r\0", 4).find(text[end - 1]) != std::string_view::npos) {
        --end;
    }
    return std::string(text.substr(start, end - start));
}

// Every position where needle starts in text, overlapping ones included.
std::vector<size_t> Occurrences(std::string_view text, std::string_view needle) {
    std::vector<size_t> found;
    for (size_t p = text.find(needle); p != std::string_view::npos; p = text.find(needle, p + 1)) {
        found.push_back(p);
    }
    return found;
}

// The blocks as ScanFileBlocks must cut them: from each "<file>" to the first "</file>" after it.
std::vector<std::string_view> ReferenceBlocks(std::string_view text) {
    std::vector<size_t> closes = Occurrences(text, "</file>");
    std::vector<std::string_view> blocks;
    for (size_t open : Occurrences(text, "<file>")) {
        size_t start = open + 6;
        auto close = std::lower_bound(closes.begin(), closes.end(), start);
        if (close == closes.end()) {
            break;
        }
        blocks.push_back(text.substr(start, *close - start));
    }
    return blocks;
}

// Looks every name up through the index and through the linear search; both must agree.
void ExpectIndexAgrees(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        ExpectEqual(LookUpStoredDescription(name), LinearLookUp(name), "index and linear search differ",
                    name);
    }
}

// The input as a description file: decoding, block cutting and look-ups against the references.
void CheckReader(std::string_view raw, const std::vector<std::string>& fields) {
    std::string text = DecodeTextMode(raw);
    ExpectEqual(text, ReferenceDecode(raw), "DecodeTextMode", raw);

    ResetTables();
    ScanFileBlocks(text);
    std::vector<std::string_view> blocks = ReferenceBlocks(text);
    Expect(static_cast<size_t>(BlockCount) == blocks.size(), "ScanFileBlocks found another number of blocks");
    for (size_t i = 0; i < blocks.size(); ++i) {
        ExpectEqual(LoadedBlocks[i], blocks[i], "ScanFileBlocks cut a block differently", text);
    }

    std::vector<std::string> names{std::string()};
    for (int i = 0; i < BlockCount && names.size() < MaxNames; ++i) {
        std::string name = ExtractBetween(LoadedBlocks[i], "<file_name>", "</file_name>");
        names.push_back(TrimText(name));
        names.push_back(std::move(name));
    }
    for (size_t i = 0; i < fields.size() && names.size() < 2 * MaxNames; ++i) {
        ExpectEqual(TrimText(fields[i]), ReferenceTrim(fields[i]), "TrimText", fields[i]);
        names.push_back(fields[i]);
        names.push_back(TrimText(fields[i]));
    }
    ExpectIndexAgrees(names);

    // A second scan appends; the first block of each name must still answer.
    if (text.size() < 4096) {
        ScanFileBlocks(text);
        Expect(static_cast<size_t>(BlockCount) == 2 * blocks.size(),
               "a second scan did not append its blocks");
        ExpectIndexAgrees(names);
    }
}

// What the look-up of a name must give after the round trip, when it is known.
struct Expected {
    bool known;
    std::string description;
};

// The input as tables: formatted, read back, and every stored name looked up.
void CheckRoundTrip(const std::vector<std::string>& fields, const std::vector<std::string>& earlierNames) {
    std::string folderPath = fields.size() > 0 ? fields[0] : std::string();
    std::string folderDescription = fields.size() > 1 ? fields[1] : std::string();
    std::vector<std::string> files;
    std::vector<std::string> descriptions;
    for (size_t i = 2; i < fields.size(); i += 2) {
        files.push_back(fields[i]);
        descriptions.push_back(i + 1 < fields.size() ? fields[i + 1] : std::string());
    }
    int count = static_cast<int>(files.size());
    std::string bytes = FormatDescriptionFile(folderPath, folderDescription, files, descriptions, count);

    // Walk the entries in file order, noting for each stored name what its first block must say.
    bool intact =
        IsClean(folderPath) && (folderDescription.empty() || IsMarkerFree(TrimText(folderDescription)));
    std::unordered_map<std::string, Expected> firstStored;
    int stored = 0;
    for (int i = 0; i < count; ++i) {
        if (descriptions[i].empty()) {
            continue;
        }
        ++stored;
        const std::string& name = files[i];
        std::string description = TrimText(CtrlZAsSpace(descriptions[i]));
        bool clean = IsClean(name) && IsMarkerFree(descriptions[i]);
        firstStored.emplace(name, Expected{intact && clean, description});
        intact = intact && clean;
    }

    std::string text = DecodeTextMode(bytes);
    Expect(IsDescriptionText(text), "formatted text is no description text");
    if (IsClean(folderPath)) {
        ExpectEqual(ExtractBetween(text, "<folder_name>", "</folder_name>"), folderPath, "folder name",
                    folderPath);
        if (!folderDescription.empty() && IsMarkerFree(TrimText(folderDescription))) {
            ExpectEqual(ExtractBetween(text, "<folder_description>", "</folder_description>"),
                        "\n" + CtrlZAsSpace(TrimText(folderDescription)) + "\n", "folder description",
                        folderDescription);
        }
    }

    ResetTables();
    ScanFileBlocks(text);
    if (intact) {
        Expect(BlockCount == stored, "the read-back file has another number of blocks than entries stored");
        if (folderDescription.empty()) {
            ExpectEqual(ExtractBetween(text, "<folder_description>", "</folder_description>"), "",
                        "folder description where none was written", text);
        }
    }

    for (int i = 0; i < count; ++i) {
        const std::string& name = files[i];
        if (name.empty() || !IsClean(name)) {
            continue;
        }
        std::string found = LookUpStoredDescription(name);
        ExpectEqual(found, LinearLookUp(name), "index and linear search differ after the round trip", name);
        auto it = firstStored.find(name);
        if (it != firstStored.end()) {
            if (it->second.known) {
                ExpectEqual(found, it->second.description, "description lost in the round trip", name);
            }
        } else if (intact) {
            ExpectEqual(found, "", "a name without description read back with one", name);
        }
    }
    // Names of the first part's scan must not be answered from an index the reset left behind.
    for (size_t i = 0; i < earlierNames.size() && i < MaxNames; ++i) {
        ExpectEqual(LookUpStoredDescription(earlierNames[i]), LinearLookUp(earlierNames[i]),
                    "a look-up after a reset differs from the linear search", earlierNames[i]);
    }
}

}  // namespace

// One fuzzing input: the reader's checks on the raw bytes, then the round trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields = SplitFields(raw);
    CheckReader(raw, fields);
    std::vector<std::string> earlierNames;
    for (int i = 0; i < BlockCount && earlierNames.size() < MaxNames; ++i) {
        earlierNames.push_back(ExtractBetween(LoadedBlocks[i], "<file_name>", "</file_name>"));
    }
    CheckRoundTrip(fields, earlierNames);
    ResetTables();
    return 0;
}
