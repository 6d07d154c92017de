#include "store/described_folder.h"

#include <algorithm>

KnownFolder DescribedFolder;

namespace {

const char NameEndsInBlankOrDot[] = "its name ends in a blank or a dot";

// Windows drops a trailing blank or dot from the last name of a path it is given, so such a folder
// cannot be entered by its path at all.
bool EndsInBlankOrDot(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return !name.empty() && name != "." && name != ".." && (name.back() == ' ' || name.back() == '.');
}

// True when a name of path ends in a blank or a dot.
bool AnyNameEndsInBlankOrDot(const std::string& path) {
    for (size_t start = 0; start <= path.size();) {
        size_t end = std::min(path.find_first_of("\\/", start), path.size());
        if (EndsInBlankOrDot(path.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

bool KnowFolder(const std::string& path, KnownFolder& folder, std::string& reason) {
    EntryIdentity identity;
    if (!IdentityOfEntry(path, identity, &reason)) {
        return false;
    }
    folder = {path, identity, PathForm::Ansi};
    return true;
}

bool KnowFolderAsGiven(const std::string& path, KnownFolder& folder, std::string& reason) {
    std::string full = FullPathAsGiven(path);
    EntryIdentity identity;
    EntryKind kind;
    if (!IdentityOfEntry(full, identity, &reason, PathForm::Exact, &kind)) {
        return false;
    }
    if (!kind.folder) {
        reason = "It is no folder.";
        return false;
    }
    folder = {full, identity, PathForm::Exact};
    return true;
}

bool FolderCanBeDescribed(const KnownFolder& folder, std::string& reason) {
    if (!SpelledInCodePage(folder.path, reason)) {
        return false;
    }
    if (NamesLoseTrailingBlankOrDot && AnyNameEndsInBlankOrDot(folder.path)) {
        reason = NameEndsInBlankOrDot;
        return false;
    }
    return true;
}

bool InKnownFolder(const KnownFolder& folder, std::string& reason) {
    EntryIdentity current;
    if (!IdentityOfEntry(".", current, &reason)) {
        return false;
    }
    if (current != folder.identity) {
        reason = "Another folder has taken its place.";
        return false;
    }
    return true;
}

bool EnterKnownFolder(const KnownFolder& folder, std::string& reason) {
    if (folder.form == PathForm::Exact && InKnownFolder(folder, reason)) {
        return true;
    }
    EntryIdentity entered;
    bool inside =
        ChangeCurrentFolder(folder.path, &reason, folder.form) && IdentityOfEntry(".", entered, &reason);
    if (inside && entered == folder.identity) {
        return true;
    }
    if (EndsInBlankOrDot(folder.path)) {
        reason = NameEndsInBlankOrDot;
    } else if (inside) {
        reason = "Another folder has taken its place.";
    }
    return false;
}

void ReturnToDescribedFolder() {
    std::string ignored;
    if (!DescribedFolder.path.empty()) {
        EnterKnownFolder(DescribedFolder, ignored);
    }
}
