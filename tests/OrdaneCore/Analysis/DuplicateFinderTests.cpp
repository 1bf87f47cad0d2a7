#include <gtest/gtest.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/DuplicateFinder.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdaneCore/Hashing/LockstepHasher.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

// Hands out at most 1000 bytes per read, as some network file systems do.
class ShortReadFileSystem : public FaultInjectingFileSystem {
public:
    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override {
        struct ShortReader : platform::ReadableFile {
            std::unique_ptr<platform::ReadableFile> inner;
            size_t read(char* buffer, size_t count) override { return inner->read(buffer, std::min<size_t>(count, 1000)); }
        };
        auto reader = std::make_unique<ShortReader>();
        reader->inner = FaultInjectingFileSystem::openForReading(path);
        return reader;
    }
};

// Counts the bytes reads hand out, per path, and lets a test change a file when it is opened again.
class ReadCountingFileSystem : public FaultInjectingFileSystem {
public:
    std::function<void(const std::string& path)> onReopen;

    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override {
        if (onReopen && calls(Operation::openForReading, path) > 0) onReopen(path);
        struct Counted : platform::ReadableFile {
            ReadCountingFileSystem* owner = nullptr;
            std::string path;
            std::unique_ptr<platform::ReadableFile> inner;
            size_t read(char* buffer, size_t count) override {
                size_t got = inner->read(buffer, count);
                std::lock_guard lock(owner->mutex_);
                owner->bytes_[path] += static_cast<int64_t>(got);
                return got;
            }
            uint64_t skip(uint64_t count) override { return inner->skip(count); }
            std::optional<platform::FileVersion> version() const override { return inner->version(); }
        };
        auto counted = std::make_unique<Counted>();
        counted->owner = this;
        counted->path = path;
        counted->inner = FaultInjectingFileSystem::openForReading(path);
        return counted;
    }

    int64_t bytesRead(const std::string& path) const {
        std::lock_guard lock(mutex_);
        auto found = bytes_.find(path);
        return found == bytes_.end() ? 0 : found->second;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, int64_t> bytes_;
};

std::string sha256Text(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return FileHasher::hexString({digest, length});
}

struct Fixture {
    TempDir home;
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();
    std::vector<std::pair<int64_t, int64_t>> progress;

    DuplicateFinder finder() const { return DuplicateFinder(UserFolders(URL::fileURL(home.path(), true)), fileSystem); }

    FileRecord file(const std::string& relative, const std::string& contents) {
        return writtenFile(home, relative, contents, Date{1000});
    }

    std::vector<DuplicateGroup> run(const std::vector<FileRecord>& records, AnalysisCache* cache = nullptr,
                                    std::stop_token stop = {}) {
        return finder().exactGroups(
            records, cache, [&](int64_t done, int64_t total) { progress.emplace_back(done, total); }, stop);
    }
};

}  // namespace

TEST(ExactGroups, SizeLimitAndWhoTakesPart) {
    Fixture f;
    EXPECT_TRUE(f.run({f.file("Documents/only.bin", pattern(5000, 1))}).empty());
    EXPECT_TRUE(f.run({f.file("a/small1", pattern(4095, 1)), f.file("a/small2", pattern(4095, 1))}).empty());
    auto groups = f.run({f.file("a/edge1", pattern(4096, 1)), f.file("a/edge2", pattern(4096, 1))});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].sha256(), sha256Text(pattern(4096, 1)));
    // A file within 64 KiB is read once, and still counts as hashed whole.
    EXPECT_EQ(f.fileSystem->calls(Operation::openForReading, "/a/edge"), 2);
    EXPECT_EQ(f.progress, (std::vector<std::pair<int64_t, int64_t>>{{1, 2}, {2, 2}}));

    FileRecord local = f.file("Documents/local.bin", pattern(9000, 2));
    FileRecord cloud = f.file("Documents/cloud.bin", pattern(9000, 2));
    cloud.setCloud(CloudState::cloudOnly);
    EXPECT_TRUE(f.run({local, cloud}).empty());
    cloud.setCloud(CloudState::cloudDownloaded);
    EXPECT_EQ(f.run({local, cloud}).size(), 1u);

    FileRecord project = f.file("Documents/code/asset.bin", pattern(9000, 2));
    project.setProjectContext(ProjectContext::sourceOfProject(URL::fileURL(f.home / "Documents/code", true)));
    EXPECT_TRUE(f.run({local, project}).empty());
}

TEST(ExactGroups, DifferentStartsAreNeverReadInFull) {
    Fixture f;
    FileRecord a = f.file("a.bin", pattern(300'000, 1));
    FileRecord b = f.file("b.bin", pattern(300'000, 2));
    EXPECT_TRUE(f.run({a, b}).empty());
    EXPECT_TRUE(f.progress.empty());
    EXPECT_EQ(f.fileSystem->calls(Operation::openForReading), 2);
    EXPECT_LE(f.fileSystem->calls(Operation::read), 4);  // 64 KiB each, with at most one more read
}

TEST(ExactGroups, ThreeCopiesAndAnImpostorThatDiffersOnlyAtTheEnd) {
    Fixture f;
    std::string base = pattern(100'000, 4);
    std::string impostor = base;
    impostor.back() ^= 1;
    auto groups = f.run({f.file("s1", pattern(5000, 5)), f.file("Downloads/c.bin", base), f.file("Documents/a.bin", base),
                         f.file("Downloads/x.bin", impostor), f.file("Desktop/b.bin", base), f.file("s2", pattern(5000, 5))});
    // Groups that free more come first.
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(memberNames(groups[1]), (std::vector<std::string>{"s1", "s2"}));
    const DuplicateGroup& group = groups[0];
    EXPECT_EQ(group.kind(), DuplicateKind::exact);
    // Sorted by path: Desktop, Documents, Downloads.
    EXPECT_EQ(memberNames(group), (std::vector<std::string>{"b.bin", "a.bin", "c.bin"}));
    EXPECT_EQ(group.keepIndex(), 1);
    EXPECT_EQ(group.keepReason(), "I'd keep this copy. It's the one already filed in Documents.");
    EXPECT_EQ(group.sha256(), sha256Text(base));
    EXPECT_EQ(group.reclaimableBytes(), 200'000);
    // All six are hashed whole (the two short ones at once), each reported once.
    EXPECT_EQ(f.progress, (std::vector<std::pair<int64_t, int64_t>>{{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}));
}

TEST(ExactGroups, UnreadableFilesLeaveTheSearchQuietly) {
    Fixture f;
    std::string base = pattern(90'000, 8);
    std::vector<FileRecord> records = {f.file("a.bin", base), f.file("b.bin", base), f.file("c.bin", base),
                                       f.file("d.bin", base), f.file("e.bin", base)};
    f.fileSystem->fail(Operation::openForReading, "b.bin", EIO);  // at the partial stage
    f.fileSystem->fail(Operation::read, "c.bin", EIO, /*skip=*/1);  // during the whole-file hash
    ::unlink((f.home / "d.bin").c_str());                           // gone since the scan
    // A FIFO in a file's place is never opened: it would hang the search.
    ASSERT_EQ(::mkfifo((f.home / "pipe").c_str(), 0600), 0);
    records.push_back(fileRecord(f.home / "pipe", 90'000, Date{1000}));
    auto groups = f.run(records);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(memberNames(groups[0]), (std::vector<std::string>{"a.bin", "e.bin"}));
    EXPECT_EQ(f.fileSystem->calls(Operation::openForReading, "pipe"), 0);

    // A crash while hashing whole (each file's second opening) is no unreadable file: it ends the search.
    struct CrashesWhenReadAgain : FaultInjectingFileSystem {
        std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override {
            if (calls(Operation::openForReading, path) == 1) crashNow();
            return FaultInjectingFileSystem::openForReading(path);
        }
    };
    f.fileSystem = std::make_shared<CrashesWhenReadAgain>();
    EXPECT_THROW(f.run(records), SimulatedCrash);
}

TEST(ExactGroups, PartialReadsGoOnUntil64KiBDespiteShortReads) {
    Fixture f;
    f.fileSystem = std::make_shared<ShortReadFileSystem>();
    std::string base = pattern(120'000, 9);
    std::string changed = base;
    changed[30'000] ^= 1;  // inside the first 64 KiB, beyond the first short read
    FileRecord a = f.file("a.bin", base);
    FileRecord b = f.file("b.bin", changed);
    EXPECT_EQ(f.finder().partialHash(a), (DuplicateFinder::PartialHash{sha256Text(base.substr(0, 65536)), false}));
    EXPECT_TRUE(f.run({a, b}).empty());
    EXPECT_TRUE(f.progress.empty()) << "the partial hashes already tell them apart";
    EXPECT_EQ(f.finder().partialHash(f.file("short.bin", "tiny")), (DuplicateFinder::PartialHash{sha256Text("tiny"), true}));
    // A file that is no longer as long as the scan saw it is not taken as read whole.
    FileRecord shrunk = f.file("shrunk.bin", "tiny");
    shrunk.setSize(5000);
    EXPECT_FALSE(f.finder().partialHash(shrunk)->wholeFile);
    EXPECT_FALSE(f.finder().partialHash(f.file("exact.bin", pattern(65536, 1)))->wholeFile);
}

TEST(ExactGroups, TwoPathsToOneFileAreNeverCopiesOfEachOther) {
    Fixture f;
    std::string base = pattern(50'000, 10);
    FileRecord original = f.file("Documents/report.pdf", base);
    makeDirectories(f.home / "Downloads");
    ASSERT_EQ(::link((f.home / "Documents/report.pdf").c_str(), (f.home / "Downloads/report.pdf").c_str()), 0);
    FileRecord hardLink = fileRecord(f.home / "Downloads/report.pdf", 50'000, Date{1000});
    // The same file once more, through a linked folder (as a bind mount or overlapping roots would).
    ASSERT_EQ(::symlink((f.home / "Documents").c_str(), (f.home / "Docs").c_str()), 0);
    FileRecord throughLink = fileRecord(f.home / "Docs/report.pdf", 50'000, Date{1000});
    EXPECT_TRUE(f.run({original, hardLink, throughLink}).empty());
    EXPECT_TRUE(f.progress.empty());
    // With a real copy beside them, the group holds one path of the file and the copy.
    FileRecord copy = f.file("Desktop/report.pdf", base);
    auto groups = f.run({hardLink, original, copy, throughLink});
    ASSERT_EQ(groups.size(), 1u);
    std::vector<std::string> paths;
    for (const auto& member : groups[0].members()) paths.push_back(member.path());
    EXPECT_EQ(paths, (std::vector<std::string>{copy.path(), hardLink.path()}));
}

TEST(ExactGroups, AStoppedSearchThrowsUnlessThereIsNothingToCompare) {
    Fixture f;
    std::stop_source source;
    source.request_stop();
    std::vector<FileRecord> records = {f.file("a", pattern(5000, 1)), f.file("b", pattern(5000, 1))};
    EXPECT_THROW(f.run(records, nullptr, source.get_token()), CancellationError);
    // Nothing reaches the partial stage: no check, an empty answer.
    EXPECT_TRUE(f.run({records[0]}, nullptr, source.get_token()).empty());
}

TEST(ExactGroups, TheCacheSparesReadsOfUnchangedFiles) {
    Fixture f;
    AnalysisCache cache(URL::fileURL(f.home / "cache.json"));
    std::string base = pattern(150'000, 12);
    std::vector<FileRecord> records = {f.file("a.bin", base), f.file("b.bin", base), f.file("c.bin", pattern(150'000, 13)),
                                       f.file("small1.bin", pattern(6000, 1)), f.file("small2.bin", pattern(6000, 1))};
    auto cold = f.run(records, &cache);
    ASSERT_EQ(cold.size(), 2u);
    EXPECT_EQ(cache.cachedEntry(records[0])->fullSHA256, sha256Text(base));
    EXPECT_EQ(cache.cachedEntry(records[3])->fullSHA256, sha256Text(pattern(6000, 1)));
    EXPECT_EQ(cache.cachedEntry(records[3])->partialSHA256, sha256Text(pattern(6000, 1)));
    EXPECT_EQ(cache.cachedEntry(records[2])->partialSHA256, sha256Text(pattern(150'000, 13).substr(0, 65536)));
    EXPECT_FALSE(cache.cachedEntry(records[2])->fullSHA256);

    f.progress.clear();
    int opensBefore = f.fileSystem->calls(Operation::openForReading);
    auto warm = f.run(records, &cache);
    EXPECT_EQ(f.fileSystem->calls(Operation::openForReading), opensBefore);
    EXPECT_TRUE(f.progress.empty());
    ASSERT_EQ(warm.size(), 2u);
    EXPECT_EQ(warm[0].sha256(), cold[0].sha256());
    EXPECT_EQ(memberNames(warm[0]), memberNames(cold[0]));
    EXPECT_EQ(memberNames(warm[1]), memberNames(cold[1]));

    // A changed file misses the cache and is read again.
    records[1].setModified(Date{5000});
    f.run(records, &cache);
    EXPECT_GT(f.fileSystem->calls(Operation::openForReading), opensBefore);
}

// The first 64 KiB read at the partial stage are not read again for the whole-file hash: every
// file is read once from start to end (a file that differs early, only that far).
TEST(ExactGroups, EachFileIsReadOnceFromStartToEnd) {
    Fixture f;
    auto counting = std::make_shared<ReadCountingFileSystem>();
    f.fileSystem = counting;
    std::string base = pattern(300'000, 21);
    std::string impostor = base;
    impostor.back() ^= 1;
    std::string exact = pattern(65'536, 22);
    std::vector<FileRecord> records = {f.file("a.bin", base), f.file("b.bin", base), f.file("c.bin", impostor),
                                       f.file("d.bin", exact), f.file("e.bin", exact),
                                       f.file("f.bin", pattern(300'000, 23))};
    auto groups = f.run(records);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(memberNames(groups[0]), (std::vector<std::string>{"a.bin", "b.bin"}));
    EXPECT_EQ(groups[0].sha256(), sha256Text(base));
    EXPECT_EQ(memberNames(groups[1]), (std::vector<std::string>{"d.bin", "e.bin"}));
    EXPECT_EQ(groups[1].sha256(), sha256Text(exact));
    for (const FileRecord& record : records) {
        EXPECT_EQ(counting->bytesRead(record.path()), record.name() == "f.bin" ? 65'536 : record.size()) << record.name();
    }
}

// A file cut short or grown between the partial and the whole-file stage has changed since the
// scan: it leaves the search, and is never taken for a copy of what it used to start with.
TEST(ExactGroups, AFileChangedBetweenTheStagesLeavesTheSearch) {
    Fixture f;
    auto counting = std::make_shared<ReadCountingFileSystem>();
    f.fileSystem = counting;
    std::string base = pattern(100'000, 24);
    std::string start = base.substr(0, 65'536);
    std::vector<FileRecord> records = {f.file("a.bin", base), f.file("a2.bin", base), f.file("cut.bin", base),
                                       f.file("grown.bin", base), f.file("d.bin", start), f.file("e.bin", start)};
    counting->onReopen = [&](const std::string& path) {
        if (path == f.home / "cut.bin") {
            ASSERT_EQ(::truncate(path.c_str(), 30'000), 0);
        }
        if (path == f.home / "grown.bin") std::ofstream(path, std::ios::app) << std::string(4'000'000, 'g');
    };
    auto groups = f.run(records);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(memberNames(groups[0]), (std::vector<std::string>{"a.bin", "a2.bin"}));
    EXPECT_EQ(memberNames(groups[1]), (std::vector<std::string>{"d.bin", "e.bin"}));
    EXPECT_EQ(groups[1].sha256(), sha256Text(start));
    // A file still growing is given up on once it passes its old length, not read to its new end.
    EXPECT_LT(counting->bytesRead(f.home / "grown.bin"), static_cast<int64_t>(base.size() + LockstepHasher::maximumChunk));
}

// A file rewritten at the same length between the stages (a tag editor changing a few bytes in
// place, or saving a new file over it) is hashed as it is now, not as going on from its old start;
// the files that did not change are still not read from their start again.
TEST(ExactGroups, AFileRewrittenAtItsLengthBetweenTheStagesIsHashedAsItIsNow) {
    Fixture f;
    auto counting = std::make_shared<ReadCountingFileSystem>();
    f.fileSystem = counting;
    std::string base = pattern(300'000, 25);
    std::string tagged = base;
    tagged.replace(100, 13, "retagged-2024");
    std::vector<FileRecord> records = {f.file("a.bin", base), f.file("b.bin", base), f.file("c.bin", base),
                                       f.file("d.bin", base), f.file("e.bin", base)};
    counting->onReopen = [&](const std::string& path) {
        if (path == f.home / "b.bin") {
            // Past the clock tick that stamped its writing, as any later edit is.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            int fd = ::open(path.c_str(), O_WRONLY);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, tagged.data() + 100, 13, 100), 13);
            ::close(fd);
        }
        if (path == f.home / "d.bin") {
            writeFile(f.home / "d.new", tagged);
            ASSERT_EQ(::rename((f.home / "d.new").c_str(), path.c_str()), 0);
        }
    };
    AnalysisCache cache(URL::fileURL(f.home / "cache.json"));
    auto groups = f.run(records, &cache);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(memberNames(groups[0]), (std::vector<std::string>{"a.bin", "c.bin", "e.bin"}));
    EXPECT_EQ(groups[0].sha256(), sha256Text(base));
    EXPECT_EQ(memberNames(groups[1]), (std::vector<std::string>{"b.bin", "d.bin"}));
    EXPECT_EQ(groups[1].sha256(), sha256Text(tagged));
    EXPECT_EQ(cache.cachedEntry(records[1])->fullSHA256, sha256Text(tagged));
    for (const FileRecord& record : records) {
        bool rewritten = record.name() == "b.bin" || record.name() == "d.bin";
        EXPECT_EQ(counting->bytesRead(record.path()), record.size() + (rewritten ? 65'536 : 0)) << record.name();
    }
}

// Groups that free as many bytes as one another come in the order their first member was met;
// one that frees more comes before them all.
TEST(ExactGroups, GroupsThatFreeAlikeKeepTheOrderOfTheirFirstMembers) {
    Fixture f;
    std::vector<FileRecord> records;
    auto add = [&](char seed, const char* copy) {
        records.push_back(f.file(std::string("Documents/") + char('a' + seed) + copy, pattern(5000, seed)));
    };
    for (auto [seed, copy] : std::vector<std::pair<char, const char*>>{
             {3, "1"}, {1, "1"}, {5, "1"}, {0, "1"}, {1, "2"}, {3, "2"}, {0, "2"}, {5, "2"},
             {2, "1"}, {4, "1"}, {2, "2"}, {4, "2"}, {9, "1"}, {9, "2"}, {9, "3"}}) {
        add(seed, copy);
    }
    auto groups = f.run(records);
    std::vector<std::string> firsts;
    for (const auto& group : groups) firsts.push_back(memberNames(group).front());
    EXPECT_EQ(firsts, (std::vector<std::string>{"j1", "d1", "b1", "f1", "a1", "c1", "e1"}));
}

// A cache that knows the start of some files only: the others are read, and every group is found.
TEST(ExactGroups, ACacheThatKnowsSomeStartsOnly) {
    Fixture f;
    AnalysisCache cache(URL::fileURL(f.home / "cache.json"));
    std::vector<FileRecord> records;
    for (int k = 0; k < 12; ++k) {
        records.push_back(f.file("Documents/copy" + std::to_string(k), pattern(6000 + 1000 * (k / 4), char(k / 2))));
    }
    auto expected = f.run(records);
    ASSERT_EQ(expected.size(), 6u);
    for (size_t k = 0; k < records.size(); k += 3) {
        cache.recordHashes(records[k], sha256Text(pattern(6000 + 1000 * (k / 4), char(k / 2))), std::nullopt);
    }
    const int opensBefore = f.fileSystem->calls(Operation::openForReading);
    auto groups = f.run(records, &cache);
    ASSERT_EQ(groups.size(), expected.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(memberNames(groups[g]), memberNames(expected[g]));
        EXPECT_EQ(groups[g].sha256(), expected[g].sha256());
    }
    // Known starts are not read at the partial stage; those files are read whole once, later.
    EXPECT_EQ(f.fileSystem->calls(Operation::openForReading) - opensBefore, 12);
    for (size_t k = 0; k < records.size(); ++k) {
        auto entry = cache.cachedEntry(records[k]);
        ASSERT_TRUE(entry) << k;
        EXPECT_EQ(entry->fullSHA256, sha256Text(pattern(6000 + 1000 * (k / 4), char(k / 2)))) << k;
    }
}
