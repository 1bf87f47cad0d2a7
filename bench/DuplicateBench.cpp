// The exact duplicate search against jdupes and rdfind on one generated, page-cached tree.
//
// Generates a home folder of at least 50,000 files (many small, some of hundreds of MB, a fifth of
// them copies, with same-size different-content files, same-start different-end files and hard
// links), then times the analysis with an empty cache, with a warm cache, `jdupes -r` and
// `rdfind -dryrun true`, best of a few rounds each. Prints the times, the ratios, the bytes read
// (rchar of /proc/self/io; a reaped child's I/O is added to its parent's), the groups each tool
// found and whether they agree. Every tool gets the same minimum size (4096 bytes); the tree has
// no hidden files and no links to folders, and its hard links join no copies.
//
//   DuplicateBench [--files N] [--rounds R] [--dir PATH] [--keep]
#include <fcntl.h>
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
#include "OrdaneCore/Stores/AnalysisCache.hpp"

namespace fs = std::filesystem;
using namespace ordane;

namespace {

using Clock = std::chrono::steady_clock;
using Groups = std::set<std::vector<std::string>>;

struct Options {
    int files = 50'000;
    int rounds = 3;
    std::string dir;
    bool keep = false;
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

std::vector<FilePlan> planTree(int count) {
    SplitMix random{20240315};
    const char* tops[] = {"Documents", "Downloads", "Desktop", "Pictures", "Music", "Movies"};
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
            plan.size = sampleSize(random);
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

// The records a scan would make: every regular file whose name does not begin with ".".
std::vector<FileRecord> walk(const std::string& home) {
    std::vector<FileRecord> records;
    for (auto it = fs::recursive_directory_iterator(home); it != fs::recursive_directory_iterator(); ++it) {
        std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        FileRecord record;
        record.id = UUID::random();
        record.url = URL::fileURL(it->path().string());
        record.size = st.st_size;
        record.allocatedSize = static_cast<int64_t>(st.st_blocks) * 512;
        record.modified = Date::fromUnix(static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9);
        records.push_back(std::move(record));
    }
    return records;
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

struct Measurement {
    double seconds = 1e300;
    int64_t rchar = 0;
    int64_t readBytes = 0;
    Groups groups;
};

template <class Body>
void measure(Measurement& best, Body body) {
    IoCounters before = readIo();
    auto start = Clock::now();
    Groups groups = body();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    IoCounters after = readIo();
    if (seconds < best.seconds) {
        best.seconds = seconds;
        best.rchar = after.rchar - before.rchar;
        best.readBytes = after.readBytes - before.readBytes;
        best.groups = std::move(groups);
    }
}

// Runs a program with its output in `outputFile` (so reading it is not counted against it).
void runTool(const std::vector<std::string>& arguments, const std::string& outputFile, const std::string& workDir) {
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int devNull = ::open("/dev/null", O_WRONLY);
        if (out < 0 || devNull < 0 || ::chdir(workDir.c_str()) != 0) ::_exit(127);
        ::dup2(out, 1);
        ::dup2(devNull, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(arguments[0] + " failed (is it installed? apt-get install " + arguments[0] + ")");
    }
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

Groups ordaneGroups(const AnalysisResult& result) {
    Groups groups;
    for (const DuplicateGroup& group : result.exactGroups) {
        std::vector<std::string> members;
        for (const FileRecord& member : group.members()) members.push_back(member.url.path());
        std::sort(members.begin(), members.end());
        groups.insert(members);
    }
    return groups;
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
        } else if (argument == "--keep") {
            options.keep = true;
        } else {
            throw std::invalid_argument("usage: DuplicateBench [--files N] [--rounds R] [--dir PATH] [--keep]");
        }
    }
    return options;
}

void printRow(const char* tool, const Measurement& m, const Measurement& reference) {
    std::printf("%-22s %9.3f s  %6.2fx  %12.1f MB read (%8.1f MB from disk)  %6zu groups  %7lld files\n", tool,
                m.seconds, m.seconds / reference.seconds, static_cast<double>(m.rchar) / 1e6,
                static_cast<double>(m.readBytes) / 1e6, m.groups.size(), static_cast<long long>(groupedFiles(m.groups)));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Options options = parse(argc, argv);
        std::string base = options.dir;
        if (base.empty()) {
            base = (fs::temp_directory_path() / "ordane-duplicate-bench-XXXXXX").string();
            if (!::mkdtemp(base.data())) throw std::runtime_error("cannot create a temporary folder");
        }
        std::string home = base + "/home";
        std::string cacheFile = base + "/cache/analysis-cache.json";

        if (!fs::exists(home)) {
            std::vector<FilePlan> plans = planTree(options.files);
            int64_t bytes = 0;
            for (const FilePlan& plan : plans) bytes += plan.hardLinkOf ? 0 : plan.size;
            std::printf("generating %zu files, %.2f GB, in %s\n", plans.size(), static_cast<double>(bytes) / 1e9,
                        home.c_str());
            std::fflush(stdout);
            generate(home, plans);
        }
        // One full read so every tool meets the same warm page cache.
        for (const FileRecord& record : walk(home)) {
            std::ifstream file(record.url.path(), std::ios::binary);
            static char buffer[1 << 20];
            while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {}
        }
        std::printf("files in the tree: %zu\n", walk(home).size());

        UserFolders folders(URL::fileURL(home, true));
        Analyzer analyzer(folders, ScanRules::fixture());
        Measurement cold, warm, jdupes, rdfind, analyzeOnly;
        for (int round = 0; round < options.rounds; ++round) {
            fs::remove_all(base + "/cache");
            measure(cold, [&] {
                AnalysisCache cache(URL::fileURL(cacheFile));
                return ordaneGroups(analyzer.analyze(walk(home), Date::now(), {}, &cache, nullptr));
            });
            measure(warm, [&] {
                AnalysisCache cache(URL::fileURL(cacheFile));
                return ordaneGroups(analyzer.analyze(walk(home), Date::now(), {}, &cache, nullptr));
            });
            std::vector<FileRecord> records = walk(home);
            measure(analyzeOnly, [&] { return ordaneGroups(analyzer.analyze(records, Date::now(), {}, nullptr, nullptr)); });
            measure(jdupes, [&] {
                runTool({"jdupes", "-r", "-q", "-X", "size+=:4096", home}, base + "/jdupes.txt", base);
                return jdupesGroups(base + "/jdupes.txt");
            });
            measure(rdfind, [&] {
                runTool({"rdfind", "-dryrun", "true", "-minsize", "4096", "-outputname", base + "/rdfind.txt", home},
                        base + "/rdfind-stdout.txt", base);
                return rdfindGroups(base + "/rdfind.txt");
            });
        }

        std::printf("\nbest of %d rounds (times include the walk; ratio = time / Ordane with an empty cache)\n",
                    options.rounds);
        printRow("Ordane, empty cache", cold, cold);
        printRow("Ordane, warm cache", warm, cold);
        printRow("Ordane, no cache*", analyzeOnly, cold);
        printRow("jdupes -r", jdupes, cold);
        printRow("rdfind -dryrun true", rdfind, cold);
        std::printf("* analysis alone, records already walked, no cache\n");
        std::error_code ignored;
        std::printf("the warm run's reads include the cache file itself: %.1f MB\n\n",
                    static_cast<double>(fs::file_size(cacheFile, ignored)) / 1e6);
        std::printf("jdupes / Ordane (empty cache): %.2f\n", jdupes.seconds / cold.seconds);
        std::printf("rdfind / Ordane (empty cache): %.2f\n", rdfind.seconds / cold.seconds);
        std::printf("jdupes / Ordane (warm cache):  %.2f\n", jdupes.seconds / warm.seconds);
        std::printf("rdfind / Ordane (warm cache):  %.2f\n", rdfind.seconds / warm.seconds);
        std::printf("groups agree: Ordane cold = warm: %s, = jdupes: %s, = rdfind: %s\n",
                    cold.groups == warm.groups ? "yes" : "NO", cold.groups == jdupes.groups ? "yes" : "NO",
                    cold.groups == rdfind.groups ? "yes" : "NO");
        bool agree = cold.groups == warm.groups && cold.groups == jdupes.groups && cold.groups == rdfind.groups;
        if (!options.keep && options.dir.empty()) fs::remove_all(base);
        return agree ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "DuplicateBench: %s\n", error.what());
        return 2;
    }
}
