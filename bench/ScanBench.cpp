// Times a whole scan through the scan engine against find (and fdfind and gdu when installed) on
// the same generated, warm tree and on /usr: wall, user and system time, and their ratios.
//
//   ScanBench            builds the tree in a new temporary folder and removes it after
//   ScanBench folder     builds the tree in `folder` unless it is there already, and keeps it
//   ScanBench --profile folder [runs]   only scans the folder, for a profiler

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

using namespace ordane;

namespace {

constexpr int groups = 20;
constexpr int subgroups = 10;
constexpr int leavesPerSubgroup = 98;  // 20 × 10 × 98 leaves + the folders projects and packages add

struct TreeCounts {
    int64_t files = 0;
    int64_t folders = 0;
};

class TreeBuilder {
public:
    explicit TreeBuilder(std::string root) : root_(std::move(root)) {}

    TreeCounts build() {
        folder(root_);
        const char* extensions[] = {"pdf", "jpg", "txt", "mp3", "docx", "png", "zip", "mov", "md", "csv"};
        for (int g = 0; g < groups; ++g) {
            std::string group = root_ + "/group" + std::to_string(g);
            folder(group);
            for (int s = 0; s < subgroups; ++s) {
                std::string subgroup = group + "/sub" + std::to_string(s);
                folder(subgroup);
                for (int l = 0; l < leavesPerSubgroup; ++l) {
                    int leafNumber = (g * subgroups + s) * leavesPerSubgroup + l;
                    std::string leaf = subgroup + "/leaf" + std::to_string(l);
                    folder(leaf);
                    if (leafNumber % 60 == 0) {
                        project(leaf);
                    } else if (leafNumber % 60 == 30) {
                        package(leaf + "/Tool" + std::to_string(leafNumber) + ".app");
                    } else {
                        for (int f = 0; f < 10; ++f) {
                            file(leaf + "/file" + std::to_string(f) + "." + extensions[(leafNumber + f) % 10],
                                 (leafNumber * 37 + f * 101) % 3000);
                        }
                    }
                    if (leafNumber % 25 == 0) file(leaf + "/.hidden", 10);
                }
            }
        }
        return counts_;
    }

private:
    // A software project: sources, and a node_modules folder full of small packages.
    void project(const std::string& leaf) {
        file(leaf + "/package.json", 200);
        folder(leaf + "/src");
        for (int f = 0; f < 8; ++f) file(leaf + "/src/module" + std::to_string(f) + ".js", 800);
        folder(leaf + "/node_modules");
        for (int m = 0; m < 18; ++m) {
            std::string module = leaf + "/node_modules/dep" + std::to_string(m);
            folder(module);
            for (int f = 0; f < 8; ++f) file(module + "/index" + std::to_string(f) + ".js", 500);
        }
    }

    void package(const std::string& app) {
        folder(app);
        folder(app + "/Contents");
        folder(app + "/Contents/Resources");
        for (int f = 0; f < 12; ++f) file(app + "/Contents/Resources/r" + std::to_string(f) + ".png", 1500);
    }

    void folder(const std::string& path) {
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) throw std::runtime_error("mkdir " + path);
        ++counts_.folders;
    }

    void file(const std::string& path, int size) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error("create " + path);
        std::string contents(static_cast<size_t>(size), 'x');
        if (::write(fd, contents.data(), contents.size()) != static_cast<ssize_t>(contents.size())) {
            ::close(fd);
            throw std::runtime_error("write " + path);
        }
        ::close(fd);
        ++counts_.files;
    }

    std::string root_;
    TreeCounts counts_;
};

double secondsOf(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Wall, user and system seconds of one piece of work.
struct Cost {
    double wall = 0;
    double user = 0;
    double system = 0;
    double cpu() const { return user + system; }
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// `who`: RUSAGE_SELF for our own walk, RUSAGE_CHILDREN for a peer run through the shell.
Cost costOf(int who, const std::function<void()>& work) {
    rusage before {};
    rusage after {};
    ::getrusage(who, &before);
    Cost cost;
    cost.wall = secondsOf(work);
    ::getrusage(who, &after);
    cost.user = seconds(after.ru_utime) - seconds(before.ru_utime);
    cost.system = seconds(after.ru_stime) - seconds(before.ru_stime);
    return cost;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of each measure.
Cost medianOf(const std::vector<Cost>& costs) {
    std::vector<double> wall, user, system;
    for (const Cost& cost : costs) {
        wall.push_back(cost.wall);
        user.push_back(cost.user);
        system.push_back(cost.system);
    }
    return Cost{median(wall), median(user), median(system)};
}

// The median over the runs of one measure's ratio, ours against a peer's in the same round: the
// machine's other load changes from round to round, and both sides of a round see the same.
double medianRatio(const std::vector<Cost>& ours, const std::vector<Cost>& peer, double (*measure)(const Cost&)) {
    std::vector<double> ratios;
    for (size_t run = 0; run < ours.size(); ++run) ratios.push_back(measure(ours[run]) / measure(peer[run]));
    return median(ratios);
}

double wallOf(const Cost& cost) { return cost.wall; }
double cpuOf(const Cost& cost) { return cost.cpu(); }
double userOf(const Cost& cost) { return cost.user; }
double systemOf(const Cost& cost) { return cost.system; }

bool installed(const char* tool) {
    std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// The NUL-separated lines a command prints.
std::vector<std::string> outputOf(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("failed: " + command);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c == '\0') {
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    if (::pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
    return lines;
}

struct ScanCounts {
    int64_t records = 0;
    int64_t events = 0;
};

// The rules of a scan of `root`, which may be a system folder the standard rules stay out of.
ScanRules rulesFor(const std::string& root) {
    URL home = URL::fileURL(root, true);
    ScanRules rules = ScanRules::standard(home);
    rules.deniedPaths.erase(URL::fileURL(root, true).standardized().path());
    return rules;
}

ScanCounts scanOnce(const std::string& root, std::vector<FileRecord>* records = nullptr) {
    URL home = URL::fileURL(root, true);
    ScanStream stream = ScanEngine::scan({URL::fileURL(root + "/", true)}, rulesFor(root), home);
    ScanCounts counts;
    while (auto event = stream.next()) {
        ++counts.events;
        if (auto* record = std::get_if<FileRecord>(&event->value)) {
            ++counts.records;
            if (records) records->push_back(std::move(*record));
        }
    }
    return counts;
}

// Checks that the scan records exactly what find sees: every file and link-free item that is
// not hidden, except the contents of the folders the scan sizes as one item, which stand for
// them. Returns the number of records.
size_t checkSameFiles(const std::string& root) {
    std::vector<FileRecord> records;
    scanOnce(root, &records);
    std::vector<std::string> scanned;
    std::vector<std::string> sizedFolders;
    for (const auto& record : records) {
        scanned.push_back(record.path());
        if (record.isDirectory()) sizedFolders.push_back(record.path() + "/");
    }
    std::sort(sizedFolders.begin(), sizedFolders.end());
    auto insideSized = [&](const std::string& path) {
        auto after = std::upper_bound(sizedFolders.begin(), sizedFolders.end(), path);
        return after != sizedFolders.begin() && path.starts_with(*std::prev(after));
    };
    std::vector<std::string> expected;
    for (std::string& path : outputOf("find '" + root + "' -mindepth 1 -name '.*' -prune -o ! -type d ! -type l -print0")) {
        if (!insideSized(path)) expected.push_back(std::move(path));
    }
    for (const auto& folder : sizedFolders) expected.push_back(folder.substr(0, folder.size() - 1));
    std::sort(scanned.begin(), scanned.end());
    std::sort(expected.begin(), expected.end());
    if (scanned != expected) {
        throw std::runtime_error("the scan of " + root + " records " + std::to_string(scanned.size()) +
                                 " items where find sees " + std::to_string(expected.size()));
    }
    return scanned.size();
}

void printCost(const char* tool, const Cost& cost) {
    std::printf("  %-12s wall %.3f s  user %.3f s  system %.3f s  cpu %.3f s\n", tool, cost.wall, cost.user,
                cost.system, cost.cpu());
}

// Our walk against the peers on one warm folder, after checking that they all see the same items.
void compare(const std::string& root, int runs) {
    // The peers run at the walk's priority (nice 10), so a loaded machine slows all alike.
    std::string find = "nice -n 10 find '" + root + "' -printf '%s\\n' >/dev/null";
    std::string fdfind = "nice -n 10 fdfind --unrestricted . '" + root + "' >/dev/null";
    runShell(find);  // warm the caches
    size_t records = checkSameFiles(root);
    size_t findItems = outputOf("find '" + root + "' -mindepth 1 -print0").size();
    bool hasFd = installed("fdfind");
    if (hasFd) {
        size_t fdItems = outputOf("fdfind --unrestricted --print0 . '" + root + "'").size();
        if (fdItems != findItems) {
            throw std::runtime_error("fdfind lists " + std::to_string(fdItems) + " items of " + root + ", find " +
                                     std::to_string(findItems));
        }
    }
    std::printf("%s: %zu records, the same as find's (which lists %zu items in all)\n", root.c_str(), records,
                findItems);
    scanOnce(root);

    struct Peer {
        std::string name;
        std::string command;
        std::vector<Cost> costs;
    };
    std::vector<Peer> peers{{"find", find, {}}};
    if (hasFd) peers.push_back({"fdfind", fdfind, {}});
    if (installed("gdu")) peers.push_back({"gdu", "nice -n 10 gdu -npc '" + root + "' >/dev/null", {}});
    // Each round runs our scan and every peer once, one after the other.
    std::vector<Cost> ours;
    for (int run = 0; run < runs; ++run) {
        ours.push_back(costOf(RUSAGE_SELF, [&] { scanOnce(root); }));
        for (Peer& peer : peers) peer.costs.push_back(costOf(RUSAGE_CHILDREN, [&] { runShell(peer.command); }));
    }
    Cost oursMedian = medianOf(ours);
    Cost findMedian = medianOf(peers[0].costs);
    printCost("scan engine", oursMedian);
    for (const Peer& peer : peers) printCost(peer.name.c_str(), medianOf(peer.costs));
    const auto& findCosts = peers[0].costs;
    std::printf("  scan/find, medians of the rounds' ratios: wall %.2f, cpu %.2f (target <= 1.2), user %.2f, system %.2f\n",
                medianRatio(ours, findCosts, wallOf), medianRatio(ours, findCosts, cpuOf),
                medianRatio(ours, findCosts, userOf), medianRatio(ours, findCosts, systemOf));
    std::printf("  extra user time per record: %.2f us\n", (oursMedian.user - findMedian.user) / records * 1e6);
    if (hasFd) {
        std::printf("  scan/fdfind: wall %.2f (target <= 1), cpu %.2f\n", medianRatio(ours, peers[1].costs, wallOf),
                    medianRatio(ours, peers[1].costs, cpuOf));
    }
    if (peers.back().name == "gdu") std::printf("  scan/gdu: wall %.2f\n", medianRatio(ours, peers.back().costs, wallOf));
}

}  // namespace

TreeCounts countTree(const std::string& root) {
    TreeCounts counts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_directory()) ++counts.folders;
        if (entry.is_regular_file()) ++counts.files;
    }
    return counts;
}

int main(int argc, char** argv) {
    // ScanBench --profile folder [runs]: only scans, for perf.
    if (argc > 2 && std::string(argv[1]) == "--profile") {
        int runs = argc > 3 ? std::atoi(argv[3]) : 10;
        ScanCounts counts;
        for (int run = 0; run < runs; ++run) counts = scanOnce(argv[2]);
        std::printf("%lld records\n", static_cast<long long>(counts.records));
        return 0;
    }
    if (argc > 1 && argv[1][0] == '-') {
        // Not a folder to build the tree in: an option misspelt, or asked for help.
        std::fprintf(stderr, "usage: ScanBench [folder to keep the tree in]\n       ScanBench --profile folder [runs]\n");
        return 2;
    }
    std::string base;
    bool keep = argc > 1;
    if (keep) {
        base = argv[1];
        std::filesystem::create_directories(base);
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "ordane-scanbench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        base = pattern;
    }
    std::string root = base + "/tree";
    try {
        TreeCounts tree;
        double buildTime = 0;
        if (std::filesystem::exists(root)) {
            tree = countTree(root);
        } else {
            buildTime = secondsOf([&] { tree = TreeBuilder(root).build(); });
        }
        std::printf("tree: %lld files in %lld folders at %s (built in %.1f s)\n", static_cast<long long>(tree.files),
                    static_cast<long long>(tree.folders), root.c_str(), buildTime);
        std::printf("%u cores\n", std::thread::hardware_concurrency());
        const int runs = 9;
        compare(root, runs);
        compare("/usr", runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScanBench: %s\n", error.what());
        if (!keep) platform::FileSystem::real()->removeTree(base);
        return 1;
    }
    if (!keep) platform::FileSystem::real()->removeTree(base);
    return 0;
}
