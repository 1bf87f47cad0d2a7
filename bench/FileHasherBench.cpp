// Hashes a 1 GiB file with FileHasher and with `openssl dgst -sha256`, alternately, and prints the
// ratio of the best times. The hasher must stay within 10% of the openssl tool.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "OrdaneCore/Hashing/FileHasher.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t fileSize = int64_t{1} << 30;
constexpr int rounds = 5;

struct TemporaryFolder {
    std::string path;
    TemporaryFolder() {
        path = (std::filesystem::temp_directory_path() / "ordane-hash-bench-XXXXXX").string();
        if (!::mkdtemp(path.data())) throw std::runtime_error("cannot create a temporary folder");
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

void writeRandomFile(const std::string& path) {
    auto file = ordane::platform::FileSystem::real()->createNewFile(path, 0600);
    std::mt19937_64 random(42);
    std::string block(1 << 20, '\0');
    for (int64_t written = 0; written < fileSize; written += static_cast<int64_t>(block.size())) {
        for (size_t i = 0; i < block.size(); i += 8) {
            uint64_t value = random();
            block.replace(i, 8, reinterpret_cast<const char*>(&value), 8);
        }
        file->write(block.data(), block.size());
    }
    file->close();
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the openssl tool on the file; returns its digest.
std::string opensslDigest(const std::string& path) {
    std::string command = "openssl dgst -sha256 -r '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run openssl");
    char line[256] = {};
    bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    if (::pclose(pipe) != 0 || !read) throw std::runtime_error("openssl dgst failed (is openssl installed?)");
    return std::string(line).substr(0, 64);
}

}  // namespace

int main() {
    try {
        TemporaryFolder folder;
        const std::string path = folder.path + "/one-gib.bin";
        std::printf("writing a 1 GiB file in %s\n", folder.path.c_str());
        writeRandomFile(path);

        const ordane::FileHasher hasher;
        const ordane::URL url = ordane::URL::fileURL(path);
        double bestHasher = 1e9;
        double bestOpenssl = 1e9;
        for (int round = 0; round < rounds; ++round) {
            auto start = Clock::now();
            std::string ours = hasher.sha256(url, ordane::FileHasher::defaultChunkSize);
            bestHasher = std::min(bestHasher, secondsSince(start));

            start = Clock::now();
            std::string theirs = opensslDigest(path);
            bestOpenssl = std::min(bestOpenssl, secondsSince(start));

            if (ours != theirs) {
                std::printf("digests differ: %s against %s\n", ours.c_str(), theirs.c_str());
                return 1;
            }
        }
        const double mib = static_cast<double>(fileSize) / (1 << 20);
        const double ratio = bestHasher / bestOpenssl;
        std::printf("FileHasher (1 MiB chunks): %.3f s, %.0f MiB/s\n", bestHasher, mib / bestHasher);
        std::printf("openssl dgst -sha256:      %.3f s, %.0f MiB/s\n", bestOpenssl, mib / bestOpenssl);
        std::printf("time ratio FileHasher / openssl: %.3f (best of %d rounds) -> %s\n", ratio, rounds,
                    ratio <= 1.10 ? "within 10%" : "SLOWER than openssl by more than 10%");
        return ratio <= 1.10 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "FileHasherBench: %s\n", error.what());
        return 2;
    }
}
