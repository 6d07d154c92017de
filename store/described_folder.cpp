#include "store/described_folder.h"

KnownFolder DescribedFolder;

namespace {

// Windows drops a trailing blank or dot from the last name of a path it is given, so such a folder
// cannot be entered by its path at all.
bool EndsInBlankOrDot(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return !name.empty() && name != "." && name != ".." && (name.back() == ' ' || name.back() == '.');
}

}  // namespace

bool KnowFolder(const std::string& path, KnownFolder& folder, std::string& reason) {
    EntryIdentity identity;
    if (!IdentityOfEntry(path, identity, &reason)) {
        return false;
    }
    folder = {path, identity};
    return true;
}

bool EnterKnownFolder(const KnownFolder& folder, std::string& reason) {
    EntryIdentity entered;
    bool inside = ChangeCurrentFolder(folder.path, &reason) && IdentityOfEntry(".", entered, &reason);
    if (inside && entered == folder.identity) {
        return true;
    }
    if (EndsInBlankOrDot(folder.path)) {
        reason = "its name ends in a blank or a dot";
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
