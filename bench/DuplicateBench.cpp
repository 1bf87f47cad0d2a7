// The exact duplicate search against jdupes and rdfind on one generated, page-cached tree.
//
// Generates a home folder of at least 50,000 files (many small, some of hundreds of MB, a fifth of
// them copies, with same-size different-content files, same-start different-end files and hard
// links), then times the analysis with an empty cache, with a warm cache, `jdupes -r` and
// `rdfind -dryrun true`, best of a few rounds each. Every run is a process of its own, so its
// wall time, CPU time (user + system, from wait4) and peak resident memory are its own. Prints
// them, the ratios, the bytes read (rchar; a reaped child's I/O is added to its parent's), the
// groups each tool found and whether they agree, and the CPU time of the analysis' stages. Every
// tool gets the same minimum size (4096 bytes); the tree has no hidden files and no links to
// folders, and its hard links join no copies. `--small` makes a tree of small files only (64 B
// to 16 KiB) for measuring the cost per file; `--tree` measures an existing folder instead.
// `find -type f` runs on the same tree as the peer of the scan. `--scale` is the run for very
// large trees: one round of the full analysis with an empty cache (scan, duplicates, cache save,
// classification), the stages, jdupes and find, without the warm and rdfind runs.
//
//   DuplicateBench [--files N] [--small] [--rounds R] [--dir PATH] [--keep] [--tree PATH] [--scale]
//   DuplicateBench --small --files 1500000 --scale     (needs about 14 GB of disk, removed after)
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "OrdaneCore/Analysis/Analyzer.hpp"
#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/RecognitionHome.hpp"

namespace fs = std::filesystem;
using namespace ordane;

namespace {

using Clock = std::chrono::steady_clock;
using Groups = std::set<std::vector<std::string>>;

struct Options {
    int files = 50'000;
    int rounds = 3;
    std::string dir;
    std::string tree;
    bool keep = false;
    bool small = false;
    bool scale = false;
};

struct SplitMix {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    int64_t between(int64_t low, int64_t high) { return low + static_cast<int64_t>(next() % static_cast<uint64_t>(high - low + 1)); }
};

// What one file holds: `size` bytes of the stream of `seed`, with one byte flipped at `flip`.
struct FilePlan {
    std::string relative;
    int64_t size = 0;
    uint64_t seed = 0;
    std::optional<int64_t> flip;
    std::optional<size_t> hardLinkOf;  // a second name of an earlier file
};

int64_t sampleSize(SplitMix& random) {
    double r = random.unit();
    if (r < 0.45) return random.between(64, 4095);
    if (r < 0.83) return random.between(4096, 65535);
    if (r < 0.98) return random.between(65536, 400'000);
    return random.between(400'001, 3'000'000);
}

std::vector<FilePlan> planTree(int count, bool small) {
    SplitMix random{20240315};
    const char* tops[] = {"Documents", "Downloads", "Desktop", "Pictures", "Music", "Videos"};
    const char* extensions[] = {"pdf", "jpg", "txt", "mp3", "mov", "docx", "png", "bin"};
    std::vector<FilePlan> plans;
    std::vector<size_t> originals;
    std::vector<int> sources(static_cast<size_t>(count), 0);  // how often a file was copied or imitated
    auto name = [&](size_t index) {
        std::ostringstream path;
        path << tops[random.next() % 6] << "/folder " << random.next() % 150 << "/sub " << random.next() % 4 << "/file "
             << index << "." << extensions[random.next() % 8];
        return path.str();
    };
    // A few big files, two of them copied and one imitated up to its last byte.
    for (int64_t megabytes : {120, 180, 250, 300}) {
        if (small) megabytes /= 100;
        plans.push_back({name(plans.size()), megabytes * 1'000'000, random.next(), std::nullopt, std::nullopt});
        originals.push_back(plans.size() - 1);
    }
    plans.push_back({name(plans.size()), plans[0].size, plans[0].seed, std::nullopt, std::nullopt});
    plans.push_back({name(plans.size()), plans[2].size, plans[2].seed, std::nullopt, std::nullopt});
    plans.push_back({name(plans.size()), plans[1].size, plans[1].seed, plans[1].size - 1, std::nullopt});
    sources[0] = sources[1] = sources[2] = 1;

    while (plans.size() < static_cast<size_t>(count)) {
        double r = random.unit();
        FilePlan plan{name(plans.size()), 0, random.next(), std::nullopt, std::nullopt};
        if (r < 0.20 && originals.size() > 10) {  // an exact copy
            size_t source = originals[random.next() % (originals.size() - 4) + 4];
            plan.size = plans[source].size;
            plan.seed = plans[source].seed;
            ++sources[source];
        } else if (r < 0.23 && originals.size() > 10) {  // same size, other contents
            size_t source = originals[random.next() % (originals.size() - 4) + 4];
            plan.size = plans[source].size;
            ++sources[source];
        } else if (r < 0.25 && originals.size() > 10) {  // same start, different end
            size_t source = originals[random.next() % (originals.size() - 4) + 4];
            plan.size = plans[source].size;
            plan.seed = plans[source].seed;
            plan.flip = plan.size - 1;
            ++sources[source];
        } else {
            plan.size = small ? random.between(64, 16383) : sampleSize(random);
            originals.push_back(plans.size());
        }
        plans.push_back(plan);
    }
    // Hard links to files nothing else resembles, so no tool has a copy to group them with.
    int links = 0;
    for (size_t index : originals) {
        if (links == 40) break;
        if (sources[index] != 0 || plans[index].size < 4096) continue;
        plans.push_back({name(plans.size()), plans[index].size, 0, std::nullopt, index});
        ++links;
    }
    return plans;
}

void writeContents(const std::string& path, const FilePlan& plan) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    for (int64_t offset = 0; offset < plan.size; offset += static_cast<int64_t>(block.size() * 8)) {
        SplitMix random{plan.seed ^ static_cast<uint64_t>(offset)};
        for (uint64_t& word : block) word = random.next();
        auto bytes = reinterpret_cast<unsigned char*>(block.data());
        int64_t length = std::min<int64_t>(plan.size - offset, static_cast<int64_t>(block.size() * 8));
        if (plan.flip && *plan.flip >= offset && *plan.flip < offset + length) bytes[*plan.flip - offset] ^= 0xFF;
        if (::write(fd, bytes, static_cast<size_t>(length)) != length) throw std::runtime_error("short write " + path);
    }
    ::close(fd);
}

void generate(const std::string& home, const std::vector<FilePlan>& plans) {
    for (const FilePlan& plan : plans) {
        std::string path = home + "/" + plan.relative;
        fs::create_directories(fs::path(path).parent_path());
        if (plan.hardLinkOf) {
            if (::link((home + "/" + plans[*plan.hardLinkOf].relative).c_str(), path.c_str()) != 0) {
                throw std::runtime_error("cannot link " + path);
            }
        } else {
            writeContents(path, plan);
        }
    }
}

struct IoCounters {
    int64_t rchar = 0;
    int64_t readBytes = 0;
};

IoCounters readIo() {
    std::ifstream file("/proc/self/io");
    IoCounters counters;
    std::string key;
    int64_t value = 0;
    while (file >> key >> value) {
        if (key == "rchar:") counters.rchar = value;
        if (key == "read_bytes:") counters.readBytes = value;
    }
    return counters;
}

struct Usage {
    double cpuSeconds = 0;  // user + system
    int64_t peakKilobytes = 0;
};

struct Measurement {
    double seconds = 1e300;
    double cpuSeconds = 1e300;
    int64_t peakKilobytes = 0;
    int64_t rchar = 0;
    int64_t readBytes = 0;
    Groups groups;
};

double seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6; }

// `body` runs one process and returns its usage; the groups are read from its output afterwards.
template <class Body, class ReadGroups>
void measure(Measurement& best, Body body, ReadGroups readGroups) {
    IoCounters before = readIo();
    auto start = Clock::now();
    Usage usage = body();
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    IoCounters after = readIo();
    if (wall < best.seconds) {
        best.seconds = wall;
        best.rchar = after.rchar - before.rchar;
        best.readBytes = after.readBytes - before.readBytes;
        best.groups = readGroups();
    }
    best.cpuSeconds = std::min(best.cpuSeconds, usage.cpuSeconds);
    best.peakKilobytes = std::max(best.peakKilobytes, usage.peakKilobytes);
}

// Runs a program with its output in `outputFile` (so reading it is not counted against it).
Usage runTool(const std::vector<std::string>& arguments, const std::string& outputFile, const std::string& workDir,
              const std::string& errorFile = "/dev/null") {
    // A forked child's peak starts at its parent's resident size, so the peak is the one GNU time
    // reports for the program it starts, a child of a small process.
    const std::string statsFile = workDir + "/peak.txt";
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", statsFile};
    timed.insert(timed.end(), arguments.begin(), arguments.end());
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int devNull = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || devNull < 0 || ::chdir(workDir.c_str()) != 0) ::_exit(127);
        ::dup2(out, 1);
        ::dup2(devNull, 2);
        std::vector<char*> argv;
        for (const std::string& argument : timed) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(arguments[0] + " failed (is it installed? apt-get install " + arguments[0] + ")");
    }
    int64_t peakKilobytes = 0;
    std::ifstream(statsFile) >> peakKilobytes;
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), peakKilobytes};
}

Groups jdupesGroups(const std::string& outputFile) {
    Groups groups;
    std::ifstream file(outputFile);
    std::vector<std::string> group;
    std::string line;
    auto flush = [&] {
        if (group.size() >= 2) {
            std::sort(group.begin(), group.end());
            groups.insert(group);
        }
        group.clear();
    };
    while (std::getline(file, line)) {
        if (line.empty()) {
            flush();
        } else {
            group.push_back(line);
        }
    }
    flush();
    return groups;
}

// rdfind's results file: "duptype id depth size device inode priority name"; a group shares |id|.
Groups rdfindGroups(const std::string& resultsFile) {
    std::map<long long, std::vector<std::string>> byID;
    std::ifstream file(resultsFile);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string type;
        long long id = 0;
        std::string skip;
        fields >> type >> id;
        for (int i = 0; i < 5; ++i) fields >> skip;
        std::string name;
        std::getline(fields >> std::ws, name);
        byID[std::llabs(id)].push_back(name);
    }
    Groups groups;
    for (auto& [id, members] : byID) {
        if (members.size() < 2) continue;
        std::sort(members.begin(), members.end());
        groups.insert(members);
    }
    return groups;
}

// The exact groups as jdupes prints them: one path a line, an empty line after each group.
void printGroups(const std::vector<DuplicateGroup>& groups) {
    for (const DuplicateGroup& group : groups) {
        for (const FileRecord& member : group.members()) std::printf("%s\n", member.path().c_str());
        std::printf("\n");
    }
}

// The process's peak resident size so far (VmHWM), in MB.
double residentPeakSoFar() {
    std::ifstream file("/proc/self/status");
    std::string key;
    while (file >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            file >> kilobytes;
            return kilobytes / 1024.0;
        }
        file.ignore(1 << 16, '\n');
    }
    return 0;
}

double cpuSecondsSoFar() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One measured run in a process of its own: "cold" (empty cache), "warm", "bare" (no cache) or
// "stages" (no cache, each stage of the analysis timed on its own, written to stderr).
int child(const std::string& mode, const std::string& home, const std::string& cacheFile) {
    UserFolders folders(URL::fileURL(home, true));
    Analyzer analyzer(folders, ScanRules::fixture());
    if (mode == "cold" || mode == "warm") {
        if (mode == "cold") fs::remove_all(fs::path(cacheFile).parent_path());
        AnalysisCache cache(URL::fileURL(cacheFile));
        printGroups(analyzer.analyze(testing::scanRecords(home), Date::now(), {}, &cache, nullptr).exactGroups);
    } else if (mode == "bare") {
        printGroups(analyzer.analyze(testing::scanRecords(home), Date::now(), {}, nullptr, nullptr).exactGroups);
    } else if (mode == "stages") {
        // Wall and CPU time of each stage, the heap in use after it and the resident peak up to it.
        struct Mark {
            Clock::time_point wall;
            double cpu;
            double heap;
            double peak;
        };
        std::vector<Mark> marks;
        auto mark = [&] {
            struct mallinfo2 heap = ::mallinfo2();
            marks.push_back({Clock::now(), cpuSecondsSoFar(), static_cast<double>(heap.uordblks + heap.hblkhd) / 1e6,
                             residentPeakSoFar()});
        };
        mark();
        std::vector<FileRecord> records = testing::scanRecords(home);
        mark();
        DuplicateFinder finder(folders);
        std::vector<DuplicateGroup> exact = finder.exactGroups(records, nullptr, nullptr);
        mark();
        std::vector<DuplicateGroup> named = finder.nameGroups(records, exact);
        mark();
        Classifier classifier(folders, ScanRules::fixture(), Date::now());
        std::vector<Finding> findings = classifier.classify(records, exact, {});
        mark();
        std::fprintf(stderr, "%zu", records.size());
        for (size_t i = 1; i < marks.size(); ++i) {
            std::fprintf(stderr, " %.3f %.3f %.1f %.1f",
                         std::chrono::duration<double>(marks[i].wall - marks[i - 1].wall).count(),
                         marks[i].cpu - marks[i - 1].cpu, marks[i].heap, marks[i].peak);
        }
        std::fprintf(stderr, "\n");
        printGroups(exact);
    } else {
        throw std::invalid_argument("unknown mode " + mode);
    }
    return 0;
}

int64_t groupedFiles(const Groups& groups) {
    int64_t count = 0;
    for (const auto& group : groups) count += static_cast<int64_t>(group.size());
    return count;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--files" && i + 1 < argc) {
            options.files = std::max(1000, std::atoi(argv[++i]));
        } else if (argument == "--rounds" && i + 1 < argc) {
            options.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else if (argument == "--tree" && i + 1 < argc) {
            options.tree = argv[++i];
        } else if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--small") {
            options.small = true;
        } else if (argument == "--scale") {
            options.scale = true;
            options.rounds = 1;
        } else {
            throw std::invalid_argument(
                "usage: DuplicateBench [--files N] [--small] [--rounds R] [--dir PATH] [--keep] [--tree PATH] [--scale]");
        }
    }
    return options;
}

void printRow(const char* tool, const Measurement& m, const Measurement& reference, size_t files) {
    std::printf(
        "%-22s %8.3f s %5.2fx  cpu %8.3f s %5.2fx %6.1f us/file  peak %7.1f MB %5.2fx  %10.1f MB read (%7.1f from "
        "disk)  %6zu groups  %7lld files\n",
        tool, m.seconds, m.seconds / reference.seconds, m.cpuSeconds, m.cpuSeconds / reference.cpuSeconds,
        m.cpuSeconds * 1e6 / static_cast<double>(files), static_cast<double>(m.peakKilobytes) / 1024.0,
        static_cast<double>(m.peakKilobytes) / static_cast<double>(reference.peakKilobytes),
        static_cast<double>(m.rchar) / 1e6, static_cast<double>(m.readBytes) / 1e6, m.groups.size(), static_cast<long long>(groupedFiles(m.groups)));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 5 && std::string(argv[1]) == "--child") return child(argv[2], argv[3], argv[4]);
        Options options = parse(argc, argv);
        std::string base = options.dir;
        if (base.empty()) {
            base = (fs::temp_directory_path() / "ordane-duplicate-bench-XXXXXX").string();
            if (!::mkdtemp(base.data())) throw std::runtime_error("cannot create a temporary folder");
        }
        fs::create_directories(base);
        std::string home = options.tree.empty() ? base + "/home" : fs::canonical(options.tree).string();
        std::string cacheFile = base + "/cache/analysis-cache.json";

        if (!fs::exists(home)) {
            std::vector<FilePlan> plans = planTree(options.files, options.small);
            int64_t bytes = 0;
            for (const FilePlan& plan : plans) bytes += plan.hardLinkOf ? 0 : plan.size;
            std::printf("generating %zu files, %.2f GB, in %s\n", plans.size(), static_cast<double>(bytes) / 1e9,
                        home.c_str());
            std::fflush(stdout);
            generate(home, plans);
        }
        // One full read of every file so every tool meets the same warm page cache.
        for (const auto& entry : fs::recursive_directory_iterator(home, fs::directory_options::skip_permission_denied)) {
            std::error_code error;
            if (!entry.is_regular_file(error) || entry.is_symlink(error)) continue;
            std::ifstream file(entry.path(), std::ios::binary);
            static char buffer[1 << 20];
            while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {}
        }
        // In a folder of the system the scan leaves some files out (hidden ones) and the search more
        // (files of software projects): the peers' groups are then compared over the files that take
        // part alone.
        std::set<std::string> scannedPaths;
        size_t recordCount = 0;
        {
            std::vector<FileRecord> scanned = testing::scanRecords(home);
            recordCount = scanned.size();
            if (!options.tree.empty()) {
                DuplicateFinder finder{UserFolders(URL::fileURL(home, true))};
                for (const FileRecord& record : scanned) {
                    if (finder.takesPart(record)) scannedPaths.insert(record.path());
                }
            }
        }
        auto scannedOnly = [&](const Groups& groups) {
            if (options.tree.empty()) return groups;
            Groups kept;
            for (const auto& group : groups) {
                std::vector<std::string> members;
                for (const std::string& path : group) {
                    if (scannedPaths.count(path)) members.push_back(path);
                }
                if (members.size() >= 2) kept.insert(members);
            }
            return kept;
        };
        std::printf("records of a scan: %zu\n", recordCount);
        std::fflush(stdout);

        const std::string self = fs::read_symlink("/proc/self/exe").string();
        const std::string output = base + "/output.txt";
        auto ordane = [&](const char* mode, const std::string& errorFile = "/dev/null") {
            return [&, mode, errorFile] { return runTool({self, "--child", mode, home, cacheFile}, output, base, errorFile); };
        };
        auto outputGroups = [&] { return jdupesGroups(output); };
        Measurement cold, warm, bare, stages, jdupes, rdfind, find;
        size_t foundFiles = 0;
        auto countLines = [&] {
            std::ifstream file(output);
            std::string line;
            foundFiles = 0;
            while (std::getline(file, line)) ++foundFiles;
            return Groups{};
        };
        for (int round = 0; round < options.rounds; ++round) {
            measure(cold, ordane("cold"), outputGroups);
            if (!options.scale) measure(warm, ordane("warm"), outputGroups);
            if (!options.scale) measure(bare, ordane("bare"), outputGroups);
            measure(stages, ordane("stages", base + "/stages.txt"), outputGroups);
            measure(jdupes, [&] { return runTool({"jdupes", "-r", "-q", "-X", "size+=:4096", home}, output, base); },
                    [&] { return scannedOnly(outputGroups()); });
            measure(find, [&] { return runTool({"find", home, "-type", "f"}, output, base); }, countLines);
            if (!options.scale) measure(rdfind, [&] {
                return runTool({"rdfind", "-dryrun", "true", "-minsize", "4096", "-outputname", base + "/rdfind.txt", home},
                               base + "/rdfind-stdout.txt", base);
            }, [&] { return scannedOnly(rdfindGroups(base + "/rdfind.txt")); });
            std::printf("round %d done\n", round + 1);
            std::fflush(stdout);
        }

        std::printf("\nbest of %d rounds (wall and CPU: the least; peak: the most; every run includes the scan;\n"
                    "ratios against jdupes)\n", options.rounds);
        // The checks come first: figures of runs that disagree are not printed.
        bool agree = cold.groups == jdupes.groups && cold.groups == stages.groups &&
                     (options.scale || (cold.groups == warm.groups && cold.groups == bare.groups &&
                                        cold.groups == rdfind.groups));
        bool counted = !options.tree.empty() || foundFiles == recordCount;
        if (!agree || !counted) {
            std::printf("groups agree: %s; find lists %zu files, the scan %zu: %s\n", agree ? "yes" : "NO", foundFiles,
                        recordCount, counted ? "yes" : "NO");
            if (!options.keep && options.dir.empty()) fs::remove_all(base);
            return 1;
        }
        printRow("Ordane, empty cache", cold, jdupes, recordCount);
        if (!options.scale) printRow("Ordane, warm cache", warm, jdupes, recordCount);
        if (!options.scale) printRow("Ordane, no cache", bare, jdupes, recordCount);
        printRow("Ordane, stages", stages, jdupes, recordCount);
        printRow("jdupes -r", jdupes, jdupes, recordCount);
        if (!options.scale) printRow("rdfind -dryrun true", rdfind, jdupes, recordCount);
        printRow("find -type f", find, jdupes, recordCount);
        std::printf("peak against jdupes: empty cache %.2fx, stages %.2fx\n",
                    static_cast<double>(cold.peakKilobytes) / static_cast<double>(jdupes.peakKilobytes),
                    static_cast<double>(stages.peakKilobytes) / static_cast<double>(jdupes.peakKilobytes));
        std::error_code ignored;
        std::printf("the cache file the empty-cache run saved (the warm run reads it too): %.1f MB\n",
                    static_cast<double>(fs::file_size(cacheFile, ignored)) / 1e6);
        {
            std::ifstream file(base + "/stages.txt");
            size_t records = 0;
            double wall[4] = {}, cpu[4] = {}, heap[4] = {}, peak[4] = {};
            bool read = static_cast<bool>(file >> records);
            for (int i = 0; i < 4; ++i) read = read && (file >> wall[i] >> cpu[i] >> heap[i] >> peak[i]);
            if (read) {
                const char* names[4] = {"scan", "duplicate search", "name groups", "classification"};
                std::printf("stages of the last run without a cache (wall, CPU, heap in use after it, resident peak so "
                            "far):\n");
                for (int i = 0; i < 4; ++i) {
                    std::printf("  %-17s %7.3f s %7.3f s %8.1f MB %8.1f MB\n", names[i], wall[i], cpu[i], heap[i], peak[i]);
                }
                std::printf("  names + classification / search (CPU): %.2f\n", (cpu[2] + cpu[3]) / cpu[1]);
                std::printf("  scan against find -type f: wall %.2fx, CPU %.2fx\n", wall[0] / find.seconds,
                            cpu[0] / find.cpuSeconds);
                auto perFile = [&](double megabytes) { return megabytes * 1e6 / static_cast<double>(records); };
                std::printf("  heap per file after the scan %.0f bytes, after the search %.0f bytes, after "
                            "classification %.0f bytes\n",
                            perFile(heap[0]), perFile(heap[1]), perFile(heap[3]));
            }
        }
        std::printf("groups agree (Ordane's runs, jdupes%s): yes; find lists as many files as the scan: %s\n",
                    options.scale ? "" : ", rdfind", options.tree.empty() ? "yes" : "not checked (--tree)");
        if (!options.keep && options.dir.empty()) fs::remove_all(base);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "DuplicateBench: %s\n", error.what());
        return 2;
    }
}
