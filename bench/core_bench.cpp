// Loading, merging and saving the tables, each beside the raw operation it cannot beat: reading the
// file and listing the folder, or writing the same bytes. Run in one process so the figures compare.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "descfile/file_io.h"
#include "descfile/reader.h"
#include "descfile/text_helpers.h"
#include "descfile/writer.h"
#include "qmdesc/system.h"
#include "qmdesc/verbs.h"
#include "store/folder_enum.h"
#include "store/tables.h"
#include "tests/linear_lookup.h"

extern char** environ;

namespace {

// The current directory's entries; none when it cannot be listed.
std::vector<std::string> Listed() {
    std::vector<std::string> names;
    std::string reason;
    ListCurrentFolder(names, reason);
    return names;
}

const char* const DescFileName = "file descriptions.desc";
const char* const FolderText = "Benchmark folder";

// A folder of empty files with a description file that describes every one of them, written in the
// order the folder lists its files, as the program's own save writes it; and, outside the folder, the
// same descriptions in a shuffled order, the worst case for the look-up.
struct BenchFolder {
    std::string path;
    std::string descFile;
    std::string shuffledDescFile;
    int files = 0;
};

// Name of the i-th file of a benchmark folder.
std::string FileName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "file%05d.txt", i);
    return name;
}

// Description stored for the file of that name.
std::string DescriptionOf(const std::string& name) {
    return "description " + std::to_string(std::atoi(name.c_str() + 4));
}

// The folder under /tmp that holds everything the benchmarks create.
const std::string& BenchRoot() {
    static std::string root = [] {
        char pattern[] = "/tmp/quillmark-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return std::string(pattern);
    }();
    return root;
}

// Writes bytes to path with plain POSIX calls; false on any failure.
bool WritePlain(const std::string& path, const std::string& bytes, bool flush) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0) {
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t done = write(file, bytes.data() + written, bytes.size() - written);
        if (done <= 0) {
            close(file);
            return false;
        }
        written += static_cast<size_t>(done);
    }
    bool ok = !flush || fsync(file) == 0;
    return close(file) == 0 && ok;
}

// Writes a description file describing every name, in the order given; exits on failure.
void WriteDescriptions(const std::string& path,
                       const std::string& folderPath,
                       const std::vector<std::string>& names) {
    std::vector<std::string> descriptions;
    for (const std::string& name : names) {
        descriptions.push_back(DescriptionOf(name));
    }
    int count = static_cast<int>(names.size());
    if (!WritePlain(path, FormatDescriptionFile(folderPath, FolderText, names, descriptions, count), false)) {
        std::perror("writing a description file");
        std::exit(1);
    }
}

// The folder for n files, made on first use so its cost stays outside every timed loop.
const BenchFolder& FolderWith(int n) {
    static std::map<int, BenchFolder> made;
    auto it = made.find(n);
    if (it != made.end()) {
        return it->second;
    }
    BenchFolder folder;
    folder.path = BenchRoot() + "/n" + std::to_string(n);
    folder.descFile = folder.path + "/" + DescFileName;
    folder.shuffledDescFile = BenchRoot() + "/shuffled" + std::to_string(n) + ".desc";
    folder.files = n;
    if (mkdir(folder.path.c_str(), 0755) != 0) {
        std::perror("mkdir");
        std::exit(1);
    }
    for (int i = 1; i <= n; ++i) {
        if (!WritePlain(folder.path + "/" + FileName(i), std::string(), false)) {
            std::perror("creating a file");
            std::exit(1);
        }
    }
    ChangeCurrentFolder(folder.path);
    std::vector<std::string> listed;
    for (std::string& name : Listed()) {
        if (name != "." && name != "..") {
            listed.push_back(std::move(name));
        }
    }
    WriteDescriptions(folder.descFile, folder.path, listed);
    std::mt19937 random(12345);
    std::shuffle(listed.begin(), listed.end(), random);
    WriteDescriptions(folder.shuffledDescFile, folder.path, listed);
    return made.emplace(n, std::move(folder)).first->second;
}

// Makes the folder current and loads its description file, as opening it in the program does.
bool OpenFolder(const BenchFolder& folder) {
    std::string text;
    return ChangeCurrentFolder(folder.path) && ReadDescriptionText(folder.descFile, text) &&
           LoadDescriptionTables(std::move(text), Listed()) == LoadResult::Loaded;
}

// Empty when the tables hold the folder's entries, each file with its description; what is wrong
// otherwise.
std::string CheckTables(const BenchFolder& folder) {
    // ".", ".." and the description file are listed too.
    if (FileCount != folder.files + 3) {
        return "the tables hold " + std::to_string(FileCount) + " entries";
    }
    int described = 0;
    for (int i = 0; i < FileCount; ++i) {
        const std::string& name = FolderFiles[i];
        if (name.size() > 8 && name.compare(0, 4, "file") == 0 &&
            name.compare(name.size() - 4, 4, ".txt") == 0) {
            if (FolderDescriptions[i] != DescriptionOf(name)) {
                return name + " has description \"" + FolderDescriptions[i] + "\"";
            }
            ++described;
        } else if (!FolderDescriptions[i].empty()) {
            return name + " has a description";
        }
    }
    return described == folder.files ? std::string()
                                     : "only " + std::to_string(described) + " files described";
}

// Ends the benchmark with an error when the tables are wrong.
void VerifyTables(benchmark::State& state, const BenchFolder& folder) {
    std::string problem = CheckTables(folder);
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
    }
}

// The merge as it was before the index: every folder entry searches all blocks for its name.
void MergeByLinearSearch() {
    for (std::string& name : Listed()) {
        std::string description = LinearLookUp(name);
        StoreFolderEntry(std::move(name), std::move(description));
    }
}

// Loads the description file at path into the tables, the folder's entries merged, on every iteration.
void LoadRepeatedly(benchmark::State& state, const BenchFolder& folder, const std::string& path) {
    ChangeCurrentFolder(folder.path);
    for (auto _ : state) {
        std::string text;
        bool loaded = ReadDescriptionText(path, text) &&
                      LoadDescriptionTables(std::move(text), Listed()) == LoadResult::Loaded;
        benchmark::DoNotOptimize(loaded);
    }
    VerifyTables(state, folder);
}

// Opening the description file: reading, decoding, scanning the blocks and merging the folder into the
// tables.
void BM_LoadAndMerge(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    LoadRepeatedly(state, folder, folder.descFile);
}

// The same load from a file whose blocks stand in another order than the folder lists its entries, as
// after many files were added and removed by other programs: every look-up goes through the index.
void BM_LoadAndMergeShuffled(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    LoadRepeatedly(state, folder, folder.shuffledDescFile);
}

// What a load cannot avoid: reading the file's bytes and listing the folder.
void BM_RawReadAndList(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    ChangeCurrentFolder(folder.path);
    size_t listed = 0;
    for (auto _ : state) {
        std::string bytes;
        bool read = ReadWholeFile(folder.descFile, bytes, nullptr, nullptr);
        std::vector<std::string> names = Listed();
        benchmark::DoNotOptimize(read);
        listed = names.size();
    }
    if (listed != static_cast<size_t>(folder.files) + 3) {
        state.SkipWithError("the folder listing is incomplete");
    }
}

// The merge alone, each entry finding its description through the index.
void BM_MergeIndexed(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    if (!OpenFolder(folder)) {
        state.SkipWithError("could not load the description file");
        return;
    }
    for (auto _ : state) {
        FileCount = 0;
        MergeFolderEntries(Listed());
    }
    VerifyTables(state, folder);
}

// The merge alone, each entry searching every block.
void BM_MergeLinear(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    if (!OpenFolder(folder)) {
        state.SkipWithError("could not load the description file");
        return;
    }
    for (auto _ : state) {
        FileCount = 0;
        MergeByLinearSearch();
    }
    VerifyTables(state, folder);
}

// The parts of a load, each alone, to tell where its time goes. This one: text-mode decoding.
void BM_DecodeText(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    std::string raw;
    if (!ReadWholeFile(folder.descFile, raw, nullptr, nullptr)) {
        state.SkipWithError("could not read the description file");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeTextMode(raw));
    }
}

// Emptying the tables and cutting the decoded text into indexed blocks.
void BM_ScanBlocks(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    std::string text;
    if (!ReadDescriptionText(folder.descFile, text)) {
        state.SkipWithError("could not read the description file");
        return;
    }
    for (auto _ : state) {
        ResetTables();
        ScanFileBlocks(text);
    }
    if (BlockCount != folder.files) {
        state.SkipWithError("the scan did not find every block");
    }
}

// Formatting alone, the part of a save that is not writing.
void BM_Format(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    if (!OpenFolder(folder)) {
        state.SkipWithError("could not load the description file");
        return;
    }
    std::string folderPath = CurrentFolderPath();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            FormatDescriptionFile(folderPath, FolderText, FolderFiles, FolderDescriptions, FileCount));
    }
}

// The bytes a save of the loaded tables writes.
std::string SavedBytes() {
    return FormatDescriptionFile(CurrentFolderPath(), FolderText, FolderFiles, FolderDescriptions, FileCount);
}

// Saving the loaded tables as the window does: checking the file on disk for changes by another program,
// formatting the tables and replacing the file safely.
void BM_Save(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    if (!OpenFolder(folder)) {
        state.SkipWithError("could not load the description file");
        return;
    }
    EditingEnabled = 1;
    CurrentDescFile = folder.descFile;
    std::string reason, old;
    ReadWholeFile(folder.descFile, old, &CurrentDescFileStamp, nullptr);
    for (auto _ : state) {
        // The window's save first checks that no other program changed the file: its bytes are read again.
        if (FileChangedSince(CurrentDescFile, CurrentDescFileStamp)) {
            state.SkipWithError("the file seems changed by another program");
            break;
        }
        if (SaveDescriptionTables(FolderText, reason) != SaveResult::Saved) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    std::string bytes;
    if (!ReadWholeFile(folder.descFile, bytes, nullptr, nullptr) || bytes != SavedBytes()) {
        state.SkipWithError("the saved file does not hold the tables");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
    EditingEnabled = 0;
}

// The same bytes the save writes, put into a file outside the folder; flushed or not, and when flushed
// after reading the old file, as a save must to see another program's change.
void RawWrite(benchmark::State& state, bool flush) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    if (!OpenFolder(folder)) {
        state.SkipWithError("could not load the description file");
        return;
    }
    std::string bytes = SavedBytes();
    std::string path = BenchRoot() + "/raw.desc", old;
    WritePlain(path, bytes, false);
    for (auto _ : state) {
        if ((flush && !ReadWholeFile(path, old, nullptr, nullptr)) || !WritePlain(path, bytes, flush)) {
            state.SkipWithError("the raw write failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

// Writing the saved bytes with a plain write.
void BM_RawWrite(benchmark::State& state) {
    RawWrite(state, false);
}

// Reading the old file, then writing the saved bytes with a plain write and flushing them to disk, as
// the save does.
void BM_RawReadAndFlushedWrite(benchmark::State& state) {
    RawWrite(state, true);
}

// A field of /proc/self/status in KiB (VmHWM, the peak resident memory, or VmRSS); -1 when missing.
// getrusage's ru_maxrss would do for VmHWM, but Linux carries the spawning process's peak over into
// it across exec, so a fresh process would report the benchmark process's memory.
long StatusKiB(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::atol(line + length + 1);
            break;
        }
    }
    std::fclose(status);
    return value;
}

// Run in a fresh process: loads the folder and prints the peak memory before and after, and the heap
// in use after, in KiB.
int MeasurePeakMemory(const char* path) {
    BenchFolder folder;
    folder.path = path;
    folder.descFile = folder.path + "/" + DescFileName;
    long before = StatusKiB("VmHWM");
    if (!OpenFolder(folder)) {
        return 1;
    }
    long after = StatusKiB("VmHWM");
    struct mallinfo2 heap = mallinfo2();
    std::printf("%ld %ld %zu\n", before, after, heap.uordblks / 1024);
    return 0;
}

// A fresh process loads the folder, so nothing earlier benchmarks touched counts in its peak.
void BM_PeakMemory(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    long before = 0;
    long after = 0;
    size_t heap = 0;
    for (auto _ : state) {
        int out[2];
        if (pipe(out) != 0) {
            state.SkipWithError("pipe failed");
            break;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string flag = "--peak-memory-of";
        char* argv[] = {const_cast<char*>("core_bench"), flag.data(), const_cast<char*>(folder.path.c_str()),
                        nullptr};
        pid_t child = 0;
        int spawned = posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char line[128] = {};
        FILE* reply = fdopen(out[0], "r");
        bool got = reply != nullptr && std::fgets(line, sizeof line, reply) != nullptr;
        if (reply != nullptr) {
            std::fclose(reply);
        }
        int status = 0;
        if (spawned == 0) {
            waitpid(child, &status, 0);
        }
        if (spawned != 0 || !got || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
            std::sscanf(line, "%ld %ld %zu", &before, &after, &heap) != 3) {
            state.SkipWithError("the measuring process failed");
            break;
        }
    }
    struct stat info {};
    stat(folder.descFile.c_str(), &info);
    state.counters["peak_rss_MiB"] = static_cast<double>(after) / 1024;
    state.counters["start_rss_MiB"] = static_cast<double>(before) / 1024;
    state.counters["heap_MiB"] = static_cast<double>(heap) / 1024;
    state.counters["file_MiB"] = static_cast<double>(info.st_size) / (1024 * 1024);
}

// qmdesc with its output thrown away; its exit code.
int QuietQmdesc(const std::vector<std::string>& arguments) {
    std::fflush(stdout);
    int saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    int code = RunQmdesc(arguments);
    FlushOutput();
    dup2(saved, 1);
    close(saved);
    return code;
}

// A tree of 1,000 folders of 100 empty files each, every folder with a description file describing
// every file, as the program's own save writes it; the paths of its folders.
const std::vector<std::string>& FindTree() {
    static std::vector<std::string> folders;
    if (!folders.empty()) {
        return folders;
    }
    std::string root = BenchRoot() + "/tree";
    mkdir(root.c_str(), 0755);
    for (int f = 0; f < 1000; ++f) {
        std::string path = root + "/folder" + std::to_string(f);
        mkdir(path.c_str(), 0755);
        std::vector<std::string> names;
        for (int i = 1; i <= 100; ++i) {
            names.push_back(FileName(f * 100 + i));
            WritePlain(path + "/" + names.back(), std::string(), false);
        }
        WriteDescriptions(path + "/" + DescFileName, path, names);
        folders.push_back(path);
    }
    return folders;
}

// qmdesc find over the whole tree for a text no name or description holds, so every entry is compared:
// a plain text, or a regular expression (options, then the text).
void BM_QmdescFind(benchmark::State& state, std::vector<std::string> sought) {
    const std::string root = BenchRoot() + "/tree";
    FindTree();
    if (QuietQmdesc({"find", "description 4711", root}) != 0) {
        state.SkipWithError("find did not find a description the tree holds");
        return;
    }
    std::vector<std::string> arguments{"find"};
    arguments.insert(arguments.end(), sought.begin(), sought.end());
    arguments.push_back(root);
    for (auto _ : state) {
        if (QuietQmdesc(arguments) != 1) {
            state.SkipWithError("find failed");
            break;
        }
    }
}

// What find cannot avoid: listing every folder of the tree and reading its description file.
void BM_RawReadAndListTree(benchmark::State& state) {
    const std::vector<std::string>& folders = FindTree();
    std::string root = BenchRoot() + "/tree";
    for (auto _ : state) {
        ChangeCurrentFolder(root);
        benchmark::DoNotOptimize(Listed());
        for (const std::string& folder : folders) {
            std::string bytes;
            bool read = ChangeCurrentFolder(folder) && ReadWholeFile(DescFileName, bytes, nullptr, nullptr);
            benchmark::DoNotOptimize(Listed());
            if (!read) {
                state.SkipWithError("a description file could not be read");
                return;
            }
        }
    }
}

// qmdesc show of a whole folder as text: the load and merge of the window program, then the printing.
void BM_QmdescShow(benchmark::State& state) {
    const BenchFolder& folder = FolderWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (QuietQmdesc({"show", folder.path}) != 0) {
            state.SkipWithError("show failed");
            break;
        }
    }
    VerifyTables(state, folder);
}

BENCHMARK(BM_LoadAndMerge)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAndMergeShuffled)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawReadAndList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DecodeText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanBlocks)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeIndexed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeLinear)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Format)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWrite)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawReadAndFlushedWrite)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_QmdescFind, text, {"needle-zebra"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_QmdescFind, regex, {"--regex", "needle-ze(b)+ra"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RawReadAndListTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QmdescShow)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeakMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Google Benchmark's main, plus the peak memory measurement that runs in a process of its own.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory-of") == 0) {
        return MeasurePeakMemory(argv[2]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Every folder is made first and written out, so that no benchmark runs while the kernel is still
    // writing back the files of the one before. Making a folder changes into it, so the run goes back
    // to where it started, which the output file's name is relative to.
    std::string started = CurrentFolderPath();
    for (int n : {1000, 10000, 100000}) {
        FolderWith(n);
    }
    FindTree();
    sync();
    ChangeCurrentFolder(started);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(BenchRoot(), ignored);
    return 0;
}
