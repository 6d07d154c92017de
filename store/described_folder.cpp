#include "store/described_folder.h"

#include "descfile/text_helpers.h"

KnownFolder DescribedFolder;

const char EndsInBlankOrDotReason[] = "its name ends in a blank or a dot";

namespace {

const char AnotherFolderInItsPlace[] = "Another folder has taken its place.";

}  // namespace

namespace {

// Windows drops a trailing blank or dot from the last name of a path it is given, so such a folder
// cannot be entered by its path at all.
bool EndsInBlankOrDot(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return NameEndsInBlankOrDot(std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1));
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
    if (NamesLoseTrailingBlankOrDot && NameEndsInBlankOrDot(std::string_view(folder.path))) {
        reason = EndsInBlankOrDotReason;
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
        reason = AnotherFolderInItsPlace;
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
        reason = EndsInBlankOrDotReason;
    } else if (inside) {
        reason = AnotherFolderInItsPlace;
    }
    return false;
}

void ReturnToDescribedFolder() {
    std::string ignored;
    if (!DescribedFolder.path.empty()) {
        EnterKnownFolder(DescribedFolder, ignored);
    }
}
