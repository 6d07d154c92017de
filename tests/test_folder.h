// A temporary folder for the tests that touch the file system, natively and under Wine alike.
#pragma once

#include <filesystem>
#include <string>

// Made under the system's temporary folder and removed with everything in it afterwards; unless asked
// not to, it is the current directory while it lives.
class TestFolder {
  public:
    explicit TestFolder(bool enter = true);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // Full path of the folder.
    const std::string& Path() const { return path_; }
    // Full path of an entry of the folder.
    std::string PathOf(const std::string& name) const;
    // Creates (or replaces) a file in the folder with the given bytes.
    void Write(const std::string& name, const std::string& bytes) const;
    // The bytes of a file in the folder; empty when it is missing.
    std::string Read(const std::string& name) const;
    // True when the folder holds an entry of that name.
    bool Has(const std::string& name) const;
    // Removes a file of the folder.
    void Remove(const std::string& name) const;

  protected:
    std::string path_;

  private:
    std::filesystem::path previous_;
};

// The worked example's description file (tests/data/worked-example.desc) with folderPath in place of
// the folder it was written in.
std::string WorkedExampleBytes(const std::string& folderPath);

// One "<file>" block of a description file, written on one line.
std::string Block(const std::string& name, const std::string& description);
