#include "tests/test_folder.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

TestFolder::TestFolder() {
    char buffer[4096];
    previous_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
    char pattern[] = "/tmp/quillmark-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
    if (chdir(path_.c_str()) != 0) {
        throw std::runtime_error("chdir failed");
    }
}

TestFolder::~TestFolder() {
    if (chdir(previous_.c_str()) != 0) {
        return;
    }
    std::string command = "chmod -R u+w '" + path_ + "' && rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not remove %s\n", path_.c_str());
    }
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TestFolder::Read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TestFolder::Has(const std::string& name) const {
    return access((path_ + "/" + name).c_str(), F_OK) == 0;
}

std::string WorkedExampleBytes(const std::string& folderPath) {
    return "<?xml version=\"1.0\"?>\r\n"
           "\r\n"
           "<file_description_data>\r\n"
           "\r\n"
           "<folder_name>" +
           folderPath +
           "</folder_name>\r\n"
           "\r\n"
           "<folder_description>\r\n"
           "Pictures of the back garden.\r\n"
           "</folder_description>\r\n"
           "\r\n"
           "<file>\r\n"
           "<file_name>pond.jpg</file_name>\r\n"
           "<file_description>\r\n"
           "The pond after cleaning.\r\n"
           "</file_description>\r\n"
           "</file>\r\n"
           "\r\n"
           "<file>\r\n"
           "<file_name>shed plan.txt</file_name>\r\n"
           "<file_description>\r\n"
           "Measurements for the shed.\r\r\n"
           "Second version.\r\n"
           "</file_description>\r\n"
           "</file>\r\n"
           "\r\n"
           "</file_description_data>";
}
