#include "store/folder_enum.h"

#include <dirent.h>
#include <unistd.h>

std::vector<std::string> ListCurrentFolder() {
    std::vector<std::string> names;
    DIR* folder = opendir(".");
    if (folder == nullptr) {
        return names;
    }
    while (dirent* entry = readdir(folder)) {
        names.emplace_back(entry->d_name);
    }
    closedir(folder);
    return names;
}

std::string CurrentFolderPath() {
    char path[4096];
    if (getcwd(path, sizeof path) == nullptr) {
        return std::string();
    }
    return std::string(path);
}

bool ChangeCurrentFolder(const std::string& folder) {
    return chdir(folder.c_str()) == 0;
}
