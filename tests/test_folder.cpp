#include "tests/test_folder.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

TestFolder::TestFolder(bool enter) : previous_(fs::current_path()) {
    static int serial = 0;
    fs::path path;
    do {
        path =
            fs::temp_directory_path() /
            ("quillmark-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
             "-" + std::to_string(++serial));
    } while (!fs::create_directory(path));
    path_ = path.string();
    if (enter) {
        fs::current_path(path);
    }
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    if (fs::equivalent(fs::current_path(ignored), path_, ignored)) {
        fs::current_path(previous_, ignored);
    }
    // Read-only entries must be writable again before they can go.
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string TestFolder::PathOf(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary | std::ios::trunc) << bytes;
}

std::string TestFolder::Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TestFolder::Has(const std::string& name) const {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(PathOf(name), ignored));
}

void TestFolder::Remove(const std::string& name) const {
    std::error_code ignored;
    fs::remove(PathOf(name), ignored);
}

std::string Block(const std::string& name, const std::string& description) {
    return "<file><file_name>" + name + "</file_name><file_description>" + description +
           "</file_description></file>";
}
