#include "descfile/reader.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <utility>

#include "descfile/file_io.h"
#include "descfile/markers.h"
#include "descfile/text_helpers.h"
#include "store/tables.h"

namespace {

// The first block of every stored name, in file order, for LoadedBlocks[0 .. BlockCount) of
// generation IndexGeneration: views into the kept texts, which stay put until ResetTables starts a new
// generation.
std::vector<StoredBlock> FirstBlocks;
unsigned IndexGeneration = 0;

// Each stored name's place in FirstBlocks, in one flat array under open addressing: a slot holds the
// high 32 bits of the name's hash and the place + 1 (0 for an empty slot), so a probe mostly touches
// the array alone. A node-based map costs a cache miss or two per name, which was a fifth of a load.
// Places fit 32 bits: a block takes at least 13 bytes, and no text of 2^32 blocks fits in memory.
class FirstBlockIndex {
  public:
    static constexpr size_t None = static_cast<size_t>(-1);

    // Forgets every name and makes room for about names of them.
    void Clear(size_t names) {
        size_t size = 16;
        while (size < 2 * names) {
            size *= 2;
        }
        slots_.assign(size, 0);
        used_ = 0;
    }

    // FirstBlocks' place of name; None when it is not stored.
    size_t Find(std::string_view name) const {
        uint64_t slot = slots_[SlotFor(name, std::hash<std::string_view>()(name))];
        return slot == 0 ? None : PlaceIn(slot);
    }

    // Records place as the place of name unless name has one already; true when it was recorded.
    bool Add(std::string_view name, size_t place) {
        if (2 * (used_ + 1) > slots_.size()) {
            Grow();
        }
        size_t hash = std::hash<std::string_view>()(name);
        size_t i = SlotFor(name, hash);
        if (slots_[i] != 0) {
            return false;
        }
        slots_[i] = (Tag(hash) << 32) | (place + 1);
        ++used_;
        return true;
    }

  private:
    static uint64_t Tag(size_t hash) { return static_cast<uint64_t>(hash) >> (sizeof(size_t) * 8 - 32); }
    static size_t PlaceIn(uint64_t slot) { return static_cast<size_t>(slot & 0xFFFFFFFF) - 1; }

    // The slot that holds name, or the empty slot where it would go.
    size_t SlotFor(std::string_view name, size_t hash) const {
        size_t mask = slots_.size() - 1;
        size_t i = hash & mask;
        while (slots_[i] != 0 &&
               !((slots_[i] >> 32) == Tag(hash) && FirstBlocks[PlaceIn(slots_[i])].name == name)) {
            i = (i + 1) & mask;
        }
        return i;
    }

    // Doubles the array, placing every name anew.
    void Grow() {
        std::vector<uint64_t> old = std::move(slots_);
        Clear(old.size());
        for (uint64_t slot : old) {
            if (slot != 0) {
                Add(FirstBlocks[PlaceIn(slot)].name, PlaceIn(slot));
            }
        }
    }

    std::vector<uint64_t> slots_ = std::vector<uint64_t>(16, 0);
    size_t used_ = 0;
};
FirstBlockIndex FirstBlockOfName;

// Where the next look-up starts guessing. A file this program wrote lists its blocks in the order the
// folder was enumerated then, so while the folder is unchanged each entry's block follows the last one
// found, and the look-up reads the blocks in order instead of hopping through the hash table.
size_t NextGuess = 0;

// The first occurrence of a marker at or after a position that only grows. The answer is kept while
// it still lies ahead, so a text whose blocks nest (each "<file>" inside the one before, all sharing
// one "</file>") is still searched in linear time.
class MarkerFinder {
  public:
    MarkerFinder(std::string_view text, std::string_view marker) : text_(text), marker_(marker) {}
    size_t FirstAtOrAfter(size_t from) {
        if (!searched_ || (found_ != std::string_view::npos && found_ < from)) {
            found_ = text_.find(marker_, from);
            searched_ = true;
        }
        return found_;
    }
    size_t Size() const { return marker_.size(); }

  private:
    std::string_view text_;
    std::string_view marker_;
    size_t found_ = std::string_view::npos;
    bool searched_ = false;
};

// ExtractBetween of text[start, end) with the two markers, found with the finders.
std::string_view FieldOf(std::string_view text,
                         size_t start,
                         size_t end,
                         MarkerFinder& opening,
                         MarkerFinder& closing) {
    size_t open = opening.FirstAtOrAfter(start);
    if (open == std::string_view::npos || open + opening.Size() > end) {
        return std::string_view();
    }
    size_t close = closing.FirstAtOrAfter(start);
    if (close == std::string_view::npos || close + closing.Size() > end) {
        return std::string_view();
    }
    size_t contentStart = open + opening.Size();
    if (contentStart >= close) {
        return std::string_view();
    }
    return text.substr(contentStart, close - contentStart);
}

}  // namespace

const char OutOfMemoryReason[] = "There is not enough memory to read it.";

std::string DecodeTextMode(std::string_view raw) {
    size_t end = raw.find('\x1A');
    if (end == std::string_view::npos) {
        end = raw.size();
    }
    std::string text;
    text.reserve(end);
    size_t start = 0;
    for (size_t cr = raw.find('\r'); cr < end; cr = raw.find('\r', start)) {
        if (cr + 1 < end && raw[cr + 1] == '\n') {
            text.append(raw.data() + start, cr - start);
            start = cr + 1;
        } else {
            text.append(raw.data() + start, cr + 1 - start);
            start = cr + 1;
        }
    }
    text.append(raw.data() + start, end - start);
    return text;
}

bool ReadDescriptionText(const std::string& path,
                         std::string& text,
                         FileStamp* stamp,
                         std::string* reason,
                         size_t* textEnd) {
    // A file too large for memory is refused like one that cannot be read.
    try {
        std::string raw;
        if (!ReadWholeFile(path, raw, stamp, reason)) {
            return false;
        }
        text = DecodeTextMode(raw);
        if (textEnd != nullptr) {
            *textEnd = std::min(raw.find('\x1A'), raw.size());
        }
        return true;
    } catch (const std::exception&) {  // bad_alloc, or length_error past what a string can hold
        if (reason != nullptr) {
            *reason = OutOfMemoryReason;
        }
        return false;
    }
}

StoredBlock FieldsOfBlock(std::string_view block) {
    MarkerFinder nameOpen(block, FileNameOpen), nameClose(block, FileNameClose);
    MarkerFinder descriptionOpen(block, FileDescriptionOpen), descriptionClose(block, FileDescriptionClose);
    return {FieldOf(block, 0, block.size(), nameOpen, nameClose),
            FieldOf(block, 0, block.size(), descriptionOpen, descriptionClose)};
}

namespace {

// ScanFileBlocks of a text already kept for the blocks to point into.
void ScanKeptBlocks(std::string_view kept) {
    std::string_view text = kept;
    if (BlockCount == 0 || IndexGeneration != TablesGeneration) {
        // A block as this program writes it takes more than 80 bytes, so the index does not grow
        // while a file it wrote is read.
        FirstBlocks.clear();
        FirstBlockOfName.Clear(std::min<size_t>(text.size() / 80, 1 << 22));
        IndexGeneration = TablesGeneration;
    }
    // The fields are found as FieldsOfBlock finds them, by finders over the whole text: a text of nested
    // blocks then costs one search per marker, not one per block.
    MarkerFinder blockOpen(kept, FileOpen), blockClose(kept, FileClose);
    MarkerFinder nameOpen(kept, FileNameOpen), nameClose(kept, FileNameClose);
    MarkerFinder descriptionOpen(kept, FileDescriptionOpen), descriptionClose(kept, FileDescriptionClose);
    std::string_view previousName;
    bool anyName = false;
    for (size_t p = blockOpen.FirstAtOrAfter(0); p != std::string_view::npos;
         p = blockOpen.FirstAtOrAfter(p + 1)) {
        size_t close = blockClose.FirstAtOrAfter(p);
        if (close == std::string_view::npos) {
            break;  // no later "<file>" has a "</file>" after it either
        }
        size_t start = p + blockOpen.Size();
        StoreLoadedBlock(kept.substr(start, close - start));
        std::string_view name = FieldOf(kept, start, close, nameOpen, nameClose);
        // Nested blocks often share one name field; it was indexed with the first of them.
        if (anyName && name.data() == previousName.data() && name.size() == previousName.size()) {
            continue;
        }
        previousName = name;
        anyName = true;
        if (FirstBlockOfName.Add(name, FirstBlocks.size())) {
            FirstBlocks.push_back({name, FieldOf(kept, start, close, descriptionOpen, descriptionClose)});
        }
    }
}

}  // namespace

void ScanFileBlocks(std::string_view text) {
    ScanKeptBlocks(KeepLoadedText(std::string(text)));
}

std::string LookUpStoredDescription(const std::string& name) {
    if (IndexGeneration != TablesGeneration) {
        return std::string();  // nothing was read since the tables were emptied
    }
    size_t found = NextGuess;
    if (found >= FirstBlocks.size() || FirstBlocks[found].name != name) {
        found = FirstBlockOfName.Find(name);
        if (found == FirstBlockIndex::None) {
            return std::string();
        }
    }
    NextGuess = found + 1;
    return TrimText(FirstBlocks[found].description);
}

void MergeFolderEntries(std::vector<std::string> names) {
    NextGuess = 0;
    for (std::string& name : names) {
        std::string description = LookUpStoredDescription(name);
        StoreFolderEntry(std::move(name), std::move(description));
    }
}

std::string NameInUnclosedBlock(std::string_view text) {
    size_t last = text.rfind(FileOpen);
    if (last == std::string_view::npos || text.find(FileClose, last) != std::string_view::npos) {
        return std::string();
    }
    return std::string(FieldsOfBlock(text.substr(last)).name);
}

bool IsDescriptionText(std::string_view text) {
    return text.find(FolderNameOpen) != std::string_view::npos;
}

namespace {

// Fills emptied tables from a description text and a listing.
void FillTables(std::string text, std::vector<std::string>&& names) {
    std::string_view kept = KeepLoadedText(std::move(text));
    ScanKeptBlocks(kept);
    FolderDescription = ExtractBetween(kept, FolderDescriptionOpen, FolderDescriptionClose);
    MergeFolderEntries(std::move(names));
}

}  // namespace

LoadResult LoadDescriptionTables(std::string text, std::vector<std::string>&& names) {
    if (!IsDescriptionText(text)) {
        return LoadResult::NotADescriptionFile;
    }
    // A file that needs more memory than there is must not leave the tables half built: the old ones
    // stay aside until the new ones are whole.
    try {
        TablesSetAside aside;
        SetTablesAside(aside);
        try {
            ResetTables();
            FillTables(std::move(text), std::move(names));
        } catch (const std::bad_alloc&) {
            PutTablesBack(aside);
            return LoadResult::OutOfMemory;
        }
    } catch (const std::bad_alloc&) {
        return LoadResult::OutOfMemory;  // nothing was moved aside yet
    }
    return LoadResult::Loaded;
}

LoadResult LoadNextDescriptionTables(std::string text, std::vector<std::string>&& names) {
    if (!IsDescriptionText(text)) {
        return LoadResult::NotADescriptionFile;
    }
    EmptyTablesInUse();
    try {
        FillTables(std::move(text), std::move(names));
    } catch (const std::bad_alloc&) {
        EmptyTablesInUse();
        return LoadResult::OutOfMemory;
    }
    return LoadResult::Loaded;
}
