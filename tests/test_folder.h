// A temporary folder for tests that touch the file system; it becomes the current directory for the
// test's lifetime and is removed afterwards.
#pragma once

#include <string>
#include <vector>

class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // Full path of the folder.
    const std::string& Path() const { return path_; }
    // Creates (or replaces) a file in the folder with the given bytes.
    void Write(const std::string& name, const std::string& bytes) const;
    // The bytes of a file in the folder; empty when it is missing.
    std::string Read(const std::string& name) const;
    // True when the folder holds an entry of that name.
    bool Has(const std::string& name) const;

  private:
    std::string path_;
    std::string previous_;
};

// The worked example's description file, byte for byte, for the given folder path.
std::string WorkedExampleBytes(const std::string& folderPath);
