#include "qmdesc/watch.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "descfile/file_io.h"
#include "descfile/text_helpers.h"
#include "qmdesc/catalogue.h"
#include "qmdesc/notifications.h"
#include "qmdesc/system.h"
#include "qmdesc/writes.h"
#include "store/described_folder.h"
#include "store/folder_enum.h"
#include "store/tables.h"

namespace {

// A burst ends when nothing has changed for this long, or this long after it began, so that a rename
// reaches the file within a second and a thousand renames make one save of each folder.
constexpr int QuietMilliseconds = 30;
constexpr int LongestBurstMilliseconds = 500;

// One folder of the watched trees.
struct WatchedFolder {
    int parent = -1;   // its folder in Folders; -1 for a FOLDER given
    std::string name;  // its name in its parent, UTF-8; for a FOLDER given, its full path
    int watch = -1;
    bool described = false;  // it held a description file at the last look
    // described: the names it holds as its notifications tell (code page), from its listing at the last
    // look; a name listed that this lacks, or one this has that is gone, is a change never reported
    std::unordered_set<std::string> seen;
    // described: what tells its described entries from every other file, at the last look
    std::unordered_map<std::string, EntryIdentity> identities;
};

std::vector<WatchedFolder> Folders;  // a folder no longer watched keeps its slot, with watch -1
std::unordered_map<int, int> FolderOfWatch;
std::map<std::pair<int, std::string>, int> Subfolders;  // (folder, name) to the folder below it

std::string PathOf(int folder) {
    const WatchedFolder& watched = Folders[folder];
    return watched.parent < 0 ? watched.name : ShownPath(PathOf(watched.parent), watched.name);
}

// Notes what the folder lists now: whether it is described, and its names if it is.
void NoteListing(int folder, const std::vector<std::string>& names) {
    WatchedFolder& watched = Folders[folder];
    watched.described = std::any_of(names.begin(), names.end(), IsDescriptionFileName);
    watched.seen.clear();
    if (watched.described) {
        watched.seen.insert(names.begin(), names.end());
    }
}

// What happened to one entry in a burst, the halves of a rename paired.
struct Happening {
    enum Kind { Moved, Added, Removed } kind;
    int from = -1;          // Moved, Removed: the folder it left
    std::string oldName;    // UTF-8
    int to = -1;            // Moved, Added: the folder it reached
    std::string newName;    // UTF-8
    bool halfLost = false;  // a rename's half whose other half the system never reported
};

// What a burst asks of one folder's description file.
struct FolderPlan {
    std::vector<std::pair<std::string, std::string>> steps;  // renames in it, in order; ("", name): made
    std::set<std::string> halfCame;  // new names of renames whose old name the system lost
    bool lost = false;               // the system dropped notifications of it
};

// A description carried from one folder to another.
struct Carried {
    int from, to;
    std::string oldName, newName;  // code page
    std::string text;              // the description as the source's file held it
    bool arrived = false;
};

// A description's text from the loaded tables: the listed entry's, or the first stored block's.
using Descriptions = std::unordered_map<std::string, std::string>;

// The loaded folder's descriptions by name: its entries' and those of gone entries its file keeps.
Descriptions DescriptionsOfTables(std::unordered_set<std::string>& listed) {
    Descriptions descriptions;
    for (int i = 0; i < FileCount; ++i) {
        descriptions[FolderFiles[i]] = FolderDescriptions[i];
        listed.insert(FolderFiles[i]);
    }
    for (const CatalogueEntry& entry : StoredEntries()) {
        if (!entry.exists && !entry.repeated) {
            descriptions[entry.name] = entry.description;
        }
    }
    return descriptions;
}

// Writes descriptions back over the loaded file, whose entries are listed: the entries' into the tables,
// the gone ones' as blocks kept or dropped. True when written or when nothing changed.
bool WriteDescriptions(const LoadedFile& file,
                       const Descriptions& descriptions,
                       const std::unordered_set<std::string>& listed) {
    bool changed = false;
    for (int i = 0; i < FileCount; ++i) {
        const std::string& now = descriptions.at(FolderFiles[i]);
        changed |= TrimText(now) != TrimText(FolderDescriptions[i]);
        FolderDescriptions[i] = now;
    }
    GoneEntries gone;
    // A gone name keeps its block unless its description changed; then the block goes and, if a
    // description is left, a new one is kept.
    std::unordered_set<std::string> stored, dropped;
    for (const CatalogueEntry& entry : StoredEntries()) {
        stored.insert(entry.name);
        if (!entry.exists && !entry.repeated && TrimText(descriptions.at(entry.name)) != entry.description) {
            gone.dropped.push_back(entry.name);
            dropped.insert(entry.name);
            changed = true;
        }
    }
    for (const auto& [name, text] : descriptions) {
        if (listed.count(name) == 0 && (stored.count(name) == 0 || dropped.count(name) != 0) &&
            !TrimText(text).empty()) {
            gone.added.push_back({name, TrimText(text), false, false});
            changed = true;
        }
    }
    return !changed || WriteCatalogue(file, gone, std::string()) == 0;
}

// Says one move on standard output, as soon as it is in the file.
void SayMoved(const std::string& oldName,
              const std::string& oldFolder,
              const std::string& newName,
              const std::string& newFolder) {
    std::string line = "Moved the description of " + Utf8OfCodePage(oldName) +
                       (oldFolder == newFolder ? "" : " in " + oldFolder) + " to " + Utf8OfCodePage(newName) +
                       " in " + newFolder + "\n";
    WriteOutput(line);
    FlushOutput();
}

// True when the folder holds a description file now.
bool HoldsDescriptionFile(const std::string& path) {
    return StampOfFile(CoreFileName(ShownPath(path, DescriptionFileName))).exists;
}

// Moves descriptions within the folder as its renames say, in the order made, and gives the
// descriptions carried to it their new names; one write for all of them. A rename moves a description
// only to a name without one; a name made again right after it was renamed away takes its description
// back (an editor that keeps the old file as a backup). False when the file could not be loaded (said
// on standard error).
bool MoveWithin(int folder, const FolderPlan& plan, std::vector<Carried*> arriving) {
    std::string path = PathOf(folder);
    bool creates = !arriving.empty();
    if (!creates && !HoldsDescriptionFile(path)) {
        return true;
    }
    LoadedFile file;
    if (!LoadPath(path, creates ? FileUse::Create : FileUse::Change, file)) {
        return false;
    }
    std::unordered_set<std::string> listed;
    Descriptions descriptions = DescriptionsOfTables(listed);
    std::vector<std::pair<std::string, std::string>> moved;
    for (const auto& step : plan.steps) {
        // Named, not bound: clang before C++20 takes no structured binding into a lambda.
        const std::string& oldName = step.first;
        const std::string& newName = step.second;
        std::string& to = descriptions[newName];
        if (oldName.empty()) {
            auto away = std::find_if(moved.rbegin(), moved.rend(),
                                     [&](const auto& move) { return move.first == newName; });
            if (away != moved.rend() && to.empty()) {
                std::swap(to, descriptions[away->second]);
                moved.erase(std::next(away).base());
            }
            continue;
        }
        std::string& from = descriptions[oldName];
        if (TrimText(from).empty()) {
            continue;
        }
        if (!TrimText(to).empty()) {
            ReportProblem(Utf8OfCodePage(oldName) + " was renamed to " + Utf8OfCodePage(newName) + " in " +
                          path + ", which has a description already: both stay where they are");
            continue;
        }
        std::swap(to, from);
        moved.emplace_back(oldName, newName);
    }
    for (Carried* carried : arriving) {
        std::string& to = descriptions[carried->newName];
        if (!TrimText(to).empty() && TrimText(to) != carried->text) {
            ReportProblem(Utf8OfCodePage(carried->oldName) + " was moved from " + PathOf(carried->from) +
                          " to " + ShownPath(path, Utf8OfCodePage(carried->newName)) +
                          ", which has a description already: both stay where they are");
            continue;
        }
        to = carried->text;
        carried->arrived = true;
    }
    if (!WriteDescriptions(file, descriptions, listed)) {
        for (Carried* carried : arriving) {
            carried->arrived = false;
        }
        return true;
    }
    for (const auto& [oldName, newName] : moved) {
        SayMoved(oldName, path, newName, path);
    }
    return true;
}

// Drops from the folder's file the descriptions carried away to another folder, each only while the
// file still holds what was carried and its entry is still gone. False when the file could not be
// loaded (said on standard error).
bool DropCarried(int folder, const std::vector<Carried*>& departing) {
    LoadedFile file;
    std::string path = PathOf(folder);
    if (!LoadPath(path, FileUse::Change, file)) {
        return false;
    }
    std::unordered_set<std::string> listed;
    Descriptions descriptions = DescriptionsOfTables(listed);
    std::vector<Carried*> dropped;
    for (Carried* carried : departing) {
        std::string& text = descriptions[carried->oldName];
        if (listed.count(carried->oldName) == 0 && TrimText(text) == carried->text) {
            text.clear();
            dropped.push_back(carried);
        }
    }
    if (!WriteDescriptions(file, descriptions, listed)) {
        ReportProblem("the moved descriptions stay in " + path + " as well");
        return true;
    }
    for (Carried* carried : dropped) {
        SayMoved(carried->oldName, path, carried->newName, PathOf(carried->to));
    }
    return true;
}

// The identity of the current directory's entry of that name (code page).
bool IdentityOfName(const std::string& name, EntryIdentity& identity) {
    return IdentityOfEntry(CoreFileName(Utf8OfCodePage(name)), identity);
}

// Notes the loaded folder, the current directory, as it is now: its listing, and the identities of the
// entries that have a description.
void NoteLook(int folder, const Descriptions& descriptions) {
    NoteListing(folder, std::vector<std::string>(FolderFiles.begin(), FolderFiles.begin() + FileCount));
    WatchedFolder& watched = Folders[folder];
    watched.identities.clear();
    for (int i = 0; watched.described && i < FileCount; ++i) {
        auto description = descriptions.find(FolderFiles[i]);
        EntryIdentity identity;
        if (description != descriptions.end() && !TrimText(description->second).empty() &&
            IdentityOfName(FolderFiles[i], identity)) {
            watched.identities[FolderFiles[i]] = identity;
        }
    }
}

// Watches the folder name of parent (-1: the full path name) and every folder below it; names on
// standard error each that cannot be watched. The watch is placed before the folder is listed, so that
// nothing made in between is missed.
void WatchTree(int parent, const std::string& name) {
    std::vector<std::pair<int, std::string>> pending{{parent, name}};
    while (!pending.empty()) {
        auto [above, folderName] = pending.back();
        pending.pop_back();
        if (above >= 0 && Subfolders.count({above, folderName}) != 0) {
            continue;
        }
        std::string path = above < 0 ? folderName : ShownPath(PathOf(above), folderName), reason;
        int watch = WatchFolder(path, reason);
        std::vector<std::string> names, subfolders;
        if (watch < 0 || !ChangeCurrentFolder(path, &reason, PathForm::Exact) ||
            !ListFolder(names, &subfolders, reason)) {
            ReportProblem(ProblemLine("The folder", path, "cannot be watched", reason));
            if (watch >= 0) {
                StopWatching(watch);
            }
            continue;
        }
        // A folder reached twice (a FOLDER given inside another) is watched once.
        if (FolderOfWatch.count(watch) != 0) {
            continue;
        }
        int folder = static_cast<int>(Folders.size());
        Folders.push_back({above, folderName, watch, false, {}, {}});
        FolderOfWatch[watch] = folder;
        if (above >= 0) {
            Subfolders[{above, folderName}] = folder;
        }
        NoteListing(folder, names);
        // The folder is entered and listed already: its file is loaded with that listing, as find does.
        auto fileName = std::find_if(names.begin(), names.end(), IsDescriptionFileName);
        LoadedFile file;
        std::unordered_set<std::string> listed;
        if (fileName != names.end()) {
            std::string shown = ShownPath(path, *fileName);
            if (LoadCatalogue(*fileName, shown, names, false, file, reason)) {
                NoteLook(folder, DescriptionsOfTables(listed));
            } else {
                ReportProblem(reason);
            }
        }
        for (std::string& subfolder : subfolders) {
            pending.emplace_back(folder, std::move(subfolder));
        }
    }
}

// Stops watching the folder and every folder below it.
void ForgetTree(int folder) {
    std::vector<int> pending{folder};
    while (!pending.empty()) {
        int next = pending.back();
        pending.pop_back();
        WatchedFolder& watched = Folders[next];
        if (watched.watch < 0) {
            continue;
        }
        StopWatching(watched.watch);
        FolderOfWatch.erase(watched.watch);
        watched.watch = -1;
        Subfolders.erase({watched.parent, watched.name});
        for (auto below = Subfolders.lower_bound({next, std::string()});
             below != Subfolders.end() && below->first.first == next; ++below) {
            pending.push_back(below->second);
        }
    }
}

// Compares the folder's listing with the names its notifications told of, once a burst has ended in
// quiet or when the system lost some (renames whose notifications are still to come are no loss): a new
// name without a description takes the one of a stored name that went without a word, when exactly one
// did and exactly one came; otherwise the names are said on standard error. Then notes the listing.
// Where the system gives file identities, every name that came pairs with the one that went as the same
// file.
void Reconcile(int folder, const FolderPlan& plan, bool quiet) {
    std::string path = PathOf(folder);
    WatchedFolder& watched = Folders[folder];
    if (!HoldsDescriptionFile(path)) {
        watched.described = false;
        watched.seen.clear();
        return;
    }
    bool compare = watched.described && (quiet || plan.lost || !plan.halfCame.empty());
    if (watched.described && !compare) {
        return;
    }
    LoadedFile file;
    if (!LoadPath(path, FileUse::Change, file)) {
        return;
    }
    std::unordered_set<std::string> listed;
    Descriptions descriptions = DescriptionsOfTables(listed);
    std::vector<std::string> missing, came;
    for (const CatalogueEntry& entry : compare ? StoredEntries() : std::vector<CatalogueEntry>()) {
        if (!entry.exists && !entry.repeated && !entry.description.empty() &&
            watched.seen.count(entry.name) != 0) {
            missing.push_back(entry.name);
        }
    }
    for (int i = 0; compare && i < FileCount; ++i) {
        const std::string& name = FolderFiles[i];
        if (watched.seen.count(name) == 0 && TrimText(FolderDescriptions[i]).empty() &&
            !IsDescriptionFileName(name)) {
            came.push_back(name);
        }
    }
    // A name that came pairs with the one that went as the same file, whatever their number. One that
    // went whose identity was noted and matches none was deleted. Of the others, one pairs with one.
    std::vector<std::pair<std::string, std::string>> pairs;
    std::map<std::pair<uint64_t, uint64_t>, std::string> wentAs;
    std::vector<std::string> unknown;
    for (const std::string& name : missing) {
        auto known = watched.identities.find(name);
        if (known != watched.identities.end()) {
            wentAs[{known->second.volume, known->second.index}] = name;
        } else {
            unknown.push_back(name);
        }
    }
    std::vector<std::string> unmatched;
    for (const std::string& name : came) {
        EntryIdentity identity;
        auto went =
            IdentityOfName(name, identity) ? wentAs.find({identity.volume, identity.index}) : wentAs.end();
        if (went != wentAs.end()) {
            pairs.emplace_back(went->second, name);
            wentAs.erase(went);
        } else {
            unmatched.push_back(name);
        }
    }
    missing = unknown;
    came = unmatched;
    if (missing.size() == 1 && came.size() == 1) {
        pairs.emplace_back(missing[0], came[0]);
        missing.clear();
    }
    for (const auto& [went, came] : pairs) {
        std::swap(descriptions[came], descriptions[went]);
    }
    if (!pairs.empty() && WriteDescriptions(file, descriptions, listed)) {
        for (const auto& [went, came] : pairs) {
            SayMoved(went, path, came, path);
        }
    }
    if (!missing.empty() && !came.empty()) {
        auto listing = [](const std::vector<std::string>& some) {
            std::string text;
            for (const std::string& name : some) {
                text += (text.empty() ? "" : ", ") + Utf8OfCodePage(name);
            }
            return text;
        };
        ReportProblem(
            "in " + path + " " + listing(missing) + " went and " + listing(came) +
            " came without a rename reported: the descriptions stay where they are (qmdesc check \"" + path +
            "\" names the likely new names)");
    }
    // Once all is quiet the listing is what the folder holds; before, renames whose notifications are
    // still to come (or lost) would vanish from the comparison, so only the pairs are noted.
    if (quiet || !watched.described) {
        NoteLook(folder, descriptions);
        return;
    }
    for (const auto& [went, came] : pairs) {
        watched.seen.erase(went);
        watched.seen.insert(came);
        auto known = watched.identities.find(went);
        if (known != watched.identities.end()) {
            watched.identities[came] = known->second;
            watched.identities.erase(went);
        }
    }
}

// Pairs the notifications of a burst: a rename's two halves by their cookie, then a removal and an
// addition of the same name in two folders (a move the system reports so) when the name went and came
// once each.
std::vector<Happening> PairedChanges(const std::vector<FolderChange>& changes, std::set<int>& lost) {
    std::vector<Happening> happenings;
    std::unordered_map<unsigned, size_t> halves;
    for (const FolderChange& change : changes) {
        auto watched = FolderOfWatch.find(change.watch);
        if (change.kind == ChangeKind::Lost) {
            if (change.watch < 0) {
                for (const auto& [watch, folder] : FolderOfWatch) {
                    lost.insert(folder);
                }
            } else if (watched != FolderOfWatch.end()) {
                lost.insert(watched->second);
            }
            continue;
        }
        if (watched == FolderOfWatch.end()) {
            continue;
        }
        int folder = watched->second;
        if (change.kind == ChangeKind::FolderGone) {
            if (Folders[folder].parent < 0) {
                ReportProblem("The folder " + PathOf(folder) +
                              " is no longer watched: it was deleted or moved");
            }
            ForgetTree(folder);
            continue;
        }
        auto half = halves.find(change.cookie);
        if (change.kind == ChangeKind::RenamedTo && change.cookie != 0 && half != halves.end()) {
            Happening& move = happenings[half->second];
            move.kind = Happening::Moved;
            move.to = folder;
            move.newName = change.name;
            move.halfLost = false;
            halves.erase(half);
            continue;
        }
        bool renamed = LoneHalfMeansLost &&
                       (change.kind == ChangeKind::RenamedFrom || change.kind == ChangeKind::RenamedTo);
        if (change.kind == ChangeKind::Added || change.kind == ChangeKind::RenamedTo) {
            happenings.push_back({Happening::Added, -1, "", folder, change.name, renamed});
        } else {
            if (change.kind == ChangeKind::RenamedFrom) {
                halves[change.cookie] = happenings.size();
            }
            happenings.push_back({Happening::Removed, folder, change.name, -1, "", renamed});
        }
    }
    // A move between folders reported as a removal and an addition.
    std::unordered_map<std::string, std::vector<size_t>> went, came;
    for (size_t i = 0; i < happenings.size(); ++i) {
        const Happening& happening = happenings[i];
        if (happening.kind == Happening::Removed) {
            went[happening.oldName].push_back(i);
        } else if (happening.kind == Happening::Added) {
            came[happening.newName].push_back(i);
        }
    }
    std::vector<bool> merged(happenings.size(), false);
    for (const auto& [name, removals] : went) {
        auto additions = came.find(name);
        if (removals.size() != 1 || additions == came.end() || additions->second.size() != 1) {
            continue;
        }
        Happening& removal = happenings[removals[0]];
        Happening& addition = happenings[additions->second[0]];
        if (removal.from != addition.to) {
            addition = {Happening::Moved, removal.from, name, addition.to, name, false};
            merged[removals[0]] = true;
        }
    }
    // The rest by identity: a described entry that went and came under another name as the same file
    // (Windows reports a move to another folder under a new name so, and Wine some renames).
    std::map<std::pair<uint64_t, uint64_t>, size_t> wentAs;
    for (size_t i = 0; i < happenings.size(); ++i) {
        const Happening& removal = happenings[i];
        if (removal.kind == Happening::Removed && !merged[i]) {
            const auto& identities = Folders[removal.from].identities;
            auto known = identities.find(CodePageOfUtf8(removal.oldName));
            if (known != identities.end()) {
                wentAs[{known->second.volume, known->second.index}] = i;
            }
        }
    }
    for (Happening& addition : happenings) {
        EntryIdentity identity;
        if (addition.kind != Happening::Added || wentAs.empty() ||
            !IdentityOfEntry(ShownPath(PathOf(addition.to), addition.newName), identity, nullptr,
                             PathForm::Exact)) {
            continue;
        }
        auto went = wentAs.find({identity.volume, identity.index});
        if (went != wentAs.end()) {
            const Happening& removal = happenings[went->second];
            addition = {Happening::Moved, removal.from,     removal.oldName,
                        addition.to,      addition.newName, false};
            merged[went->second] = true;
            wentAs.erase(went);
        }
    }
    std::vector<Happening> paired;
    for (size_t i = 0; i < happenings.size(); ++i) {
        if (!merged[i]) {
            paired.push_back(std::move(happenings[i]));
        }
    }
    return paired;
}

// Keeps the watched trees as the burst left them: folders renamed, moved, made or gone.
void FollowFolders(const std::vector<Happening>& happenings) {
    for (const Happening& happening : happenings) {
        if (happening.kind != Happening::Added) {
            auto below = Subfolders.find({happening.from, happening.oldName});
            if (below == Subfolders.end()) {
                continue;
            }
            int folder = below->second;
            if (happening.kind == Happening::Removed) {
                ForgetTree(folder);
                continue;
            }
            Subfolders.erase(below);
            Folders[folder].parent = happening.to;
            Folders[folder].name = happening.newName;
            Subfolders[{happening.to, happening.newName}] = folder;
            continue;
        }
        if (Folders[happening.to].watch < 0) {
            continue;
        }
        std::string path = ShownPath(PathOf(happening.to), happening.newName);
        EntryIdentity identity;
        EntryKind kind;
        if (IdentityOfEntry(path, identity, nullptr, PathForm::Exact, &kind) && kind.folder && !kind.link) {
            WatchTree(happening.to, happening.newName);
        }
    }
}

// Does what one burst of notifications asks: descriptions moved within folders and, destination first,
// between them; then each folder it touched compared with its file. Adds the folders it touched to
// touched.
void HandleBurst(const std::vector<FolderChange>& changes, bool quiet, std::set<int>& touched) {
    std::set<int> lost;
    std::vector<Happening> happenings = PairedChanges(changes, lost);
    FollowFolders(happenings);
    std::map<int, FolderPlan> plans;
    std::vector<Carried> carried;
    for (const Happening& happening : happenings) {
        // Names as the folder's listing and its description file spell them, in the code page.
        std::string oldName = CodePageOfUtf8(happening.oldName), newName = CodePageOfUtf8(happening.newName);
        // The description file's own renames move nothing.
        if (IsDescriptionFileName(oldName) || IsDescriptionFileName(newName)) {
            plans[happening.kind == Happening::Removed ? happening.from : happening.to];
            continue;
        }
        // The names each folder holds as its renames tell. A removal and an addition are left for the
        // comparison with the listing to judge by identity: Wine reports some renames so.
        if (happening.kind == Happening::Moved) {
            Folders[happening.from].seen.erase(oldName);
            if (Folders[happening.to].described) {
                Folders[happening.to].seen.insert(newName);
            }
        }
        if (happening.kind == Happening::Moved && happening.from == happening.to) {
            plans[happening.from].steps.emplace_back(oldName, newName);
        } else if (happening.kind == Happening::Moved) {
            plans[happening.from];
            plans[happening.to];
            carried.push_back({happening.from, happening.to, oldName, newName, "", false});
        } else if (happening.kind == Happening::Added) {
            FolderPlan& plan = plans[happening.to];
            plan.steps.emplace_back("", newName);
            if (happening.halfLost) {
                plan.halfCame.insert(newName);
            }
        } else {
            plans[happening.from];
        }
    }
    for (int folder : lost) {
        plans[folder].lost = true;
    }
    // The carried descriptions are read from their folders' files first.
    std::map<int, std::vector<Carried*>> arriving, departing;
    std::set<int> refused;
    for (Carried& move : carried) {
        departing[move.from].push_back(&move);
    }
    for (auto& [folder, moves] : departing) {
        LoadedFile file;
        if (Folders[folder].watch < 0 || !HoldsDescriptionFile(PathOf(folder))) {
            continue;
        }
        if (!LoadPath(PathOf(folder), FileUse::Show, file)) {
            refused.insert(folder);
            continue;
        }
        std::unordered_set<std::string> listed;
        Descriptions descriptions = DescriptionsOfTables(listed);
        for (Carried* move : moves) {
            move->text = TrimText(descriptions[move->oldName]);
            if (!move->text.empty() && listed.count(move->oldName) == 0) {
                arriving[move->to].push_back(move);
            }
        }
    }
    // Every destination is written before any source: a failure between them leaves a description in
    // both files, never in neither. One folder's lock at a time. A folder whose file was refused (and
    // said so) is not compared with it again in this burst.
    for (auto& [folder, plan] : plans) {
        auto in = arriving.find(folder);
        if (Folders[folder].watch >= 0 && (!plan.steps.empty() || in != arriving.end()) &&
            !MoveWithin(folder, plan, in == arriving.end() ? std::vector<Carried*>() : in->second)) {
            refused.insert(folder);
        }
    }
    for (auto& [folder, moves] : departing) {
        std::vector<Carried*> arrived;
        std::copy_if(moves.begin(), moves.end(), std::back_inserter(arrived),
                     [](const Carried* move) { return move->arrived; });
        if (!arrived.empty() && !DropCarried(folder, arrived)) {
            refused.insert(folder);
        }
    }
    for (auto& [folder, plan] : plans) {
        if (Folders[folder].watch < 0 || refused.count(folder) != 0) {
            continue;
        }
        // Said before the comparison, which names what it could not pair.
        if (plan.lost && Folders[folder].described) {
            ReportProblem("the system dropped change notifications: renames in " + PathOf(folder) +
                          " may have been missed (qmdesc check \"" + PathOf(folder) +
                          "\" names the likely new names)");
        }
        Reconcile(folder, plan, quiet);
        touched.insert(folder);
    }
}

}  // namespace

int Watch(const Request& request) {
    std::string reason;
    if (!StartNotifications(reason)) {
        ReportProblem("Change notifications cannot be had: " + reason);
        return 2;
    }
    // Each FOLDER once, and none inside another.
    std::vector<std::string> roots;
    for (const std::string& given : request.operands) {
        KnownFolder known;
        if (!KnowFolderAsGiven(given, known, reason)) {
            ReportProblem(ProblemLine("The folder", given, "cannot be watched", reason));
            return 2;
        }
        roots.push_back(known.path);
    }
    std::sort(roots.begin(), roots.end());
    std::string last;
    for (const std::string& root : roots) {
        bool inside =
            !last.empty() &&
            (root == last || (root.compare(0, last.size(), last) == 0 &&
                              std::string(PathSeparators).find(root[last.size()]) != std::string::npos));
        if (!inside) {
            WatchTree(-1, root);
            last = root;
        }
    }
    if (FolderOfWatch.empty()) {
        return 2;
    }
    WriteError("qmdesc: watching " + std::to_string(FolderOfWatch.size()) +
               " folders; descriptions follow renamed and moved entries until Ctrl+C\n");
    std::vector<FolderChange> changes;
    std::set<int> unsettled;  // folders of bursts cut short, to compare with their files once all is quiet
    long long first = 0, latest = 0;
    for (;;) {
        long long now = MillisecondsNow();
        int wait = unsettled.empty() ? -1 : QuietMilliseconds;
        if (!changes.empty()) {
            long long end = std::min(latest + QuietMilliseconds, first + LongestBurstMilliseconds);
            wait = static_cast<int>(std::max(0LL, end - now));
        }
        Waited waited = WaitForChanges(wait, changes);
        now = MillisecondsNow();
        if (waited == Waited::Changes) {
            first = first == 0 ? now : first;
            latest = now;
            if (now - first < LongestBurstMilliseconds) {
                continue;
            }
        }
        if (!changes.empty()) {
            // A burst cut short while changes still come keeps a rename's old name at its end for the
            // next one, where its new name will be.
            std::vector<FolderChange> next;
            bool cut = waited != Waited::Stopped && now - latest < QuietMilliseconds;
            while (cut && !changes.empty() && changes.back().kind == ChangeKind::RenamedFrom) {
                next.insert(next.begin(), std::move(changes.back()));
                changes.pop_back();
            }
            std::set<int> touched;
            HandleBurst(changes, !cut, touched);
            for (int folder : touched) {
                cut ? void(unsettled.insert(folder)) : void(unsettled.erase(folder));
            }
            changes = std::move(next);
            first = changes.empty() ? 0 : now;
        } else if (waited == Waited::TimedOut) {
            for (int folder : unsettled) {
                if (Folders[folder].watch >= 0) {
                    Reconcile(folder, FolderPlan(), true);
                }
            }
            unsettled.clear();
        }
        if (waited == Waited::Stopped) {
            break;
        }
    }
    WriteError("qmdesc: watch stopped\n");
    return 0;
}
