// Times a whole scan through the scan engine against find (and fdfind and gdu when installed) on
// the same generated, warm tree, and prints the ratios.
//
//   ScanBench            builds the tree in a new temporary folder and removes it after
//   ScanBench folder     builds the tree in `folder` unless it is there already, and keeps it

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
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

// The best of a few runs: the tree is warm, so the minimum is the least disturbed one.
double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) best = std::min(best, secondsOf(work));
    return best;
}

bool installed(const char* tool) {
    std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

struct ScanCounts {
    int64_t records = 0;
    int64_t events = 0;
};

ScanCounts scanOnce(const std::string& root) {
    URL home = URL::fileURL(root, true);
    ScanStream stream = ScanEngine::scan({URL::fileURL(root + "/", true)}, ScanRules::standard(home), home);
    ScanCounts counts;
    while (auto event = stream.next()) {
        ++counts.events;
        if (std::holds_alternative<FileRecord>(event->value)) ++counts.records;
    }
    return counts;
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

        const int runs = 5;
        std::string find = "find '" + root + "' -printf '%s\\n' >/dev/null";
        runShell(find);  // warm the caches
        ScanCounts counts = scanOnce(root);

        double findTime = bestOf(runs, [&] { runShell(find); });
        double scanTime = bestOf(runs, [&] { counts = scanOnce(root); });
        std::printf("scan engine: %.3f s, %lld records, %lld events\n", scanTime,
                    static_cast<long long>(counts.records), static_cast<long long>(counts.events));
        std::printf("find:        %.3f s\n", findTime);
        std::printf("ratio scan/find: %.2f (target <= 1.5)\n", scanTime / findTime);
        std::printf("files on disk per second: scan %.0f, find %.0f\n", tree.files / scanTime, tree.files / findTime);

        if (installed("fdfind")) {
            double fdTime = bestOf(runs, [&] { runShell("fdfind --unrestricted . '" + root + "' >/dev/null"); });
            std::printf("fdfind:      %.3f s (scan/fdfind %.2f)\n", fdTime, scanTime / fdTime);
        }
        if (installed("gdu")) {
            double gduTime = bestOf(runs, [&] { runShell("gdu -npc '" + root + "' >/dev/null"); });
            std::printf("gdu:         %.3f s (scan/gdu %.2f)\n", gduTime, scanTime / gduTime);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScanBench: %s\n", error.what());
        if (!keep) platform::FileSystem::real()->removeTree(base);
        return 1;
    }
    if (!keep) platform::FileSystem::real()->removeTree(base);
    return 0;
}
