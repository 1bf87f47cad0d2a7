#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdanePlatform/FileSystem/FolderReadAhead.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FolderFaultFileSystem;
using ordane::testing::TempDir;
using ordane::testing::writeFile;

namespace {

// A folder "root" in a temporary home, scanned through a file system the test can fault.
struct Fixture {
    TempDir dir;
    std::shared_ptr<FolderFaultFileSystem> fs = std::make_shared<FolderFaultFileSystem>();

    // Ten folders of 300 files each.
    void makeWideTree() const {
        for (int folder = 0; folder < 10; ++folder) {
            for (int file = 0; file < 300; ++file) {
                writeFile(dir / ("root/d" + std::to_string(folder) + "/f" + std::to_string(file)), "x");
            }
        }
    }
    ScanStream scan(std::vector<std::string> roots = {"root"}) const {
        std::vector<URL> urls;
        for (const auto& root : roots) urls.push_back(URL::fileURL(dir / root, true));
        return ScanEngine::scan(urls, ScanRules::fixture(), URL::fileURL(dir.path(), true), fs);
    }
    // Waits until the walk's thread has let go of the file system, that is, has ended, leaving
    // the fixture's own hold. A guard against hanging, not a timing check.
    bool walkEnded() const {
        auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fs.use_count() > 1) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
};

}  // namespace

TEST(ScanEngine, ASlowConsumerStillGetsEveryRecordInWalkOrderThenTheSummary) {
    Fixture f;
    {  // No roots: one empty summary, then the end.
        ScanStream empty = f.scan({});
        auto only = empty.next();
        ASSERT_TRUE(only && std::holds_alternative<ScanSummary>(only->value));
        EXPECT_EQ(std::get<ScanSummary>(only->value).totalFiles, 0);
        EXPECT_FALSE(empty.next());
        EXPECT_FALSE(empty.next());
    }

    f.makeWideTree();
    ScanStream stream = f.scan();
    // Let the walk finish before reading anything: the buffer must hold it all.
    ASSERT_TRUE(f.walkEnded());
    std::vector<std::string> paths;
    std::optional<ScanSummary> summary;
    while (auto event = stream.next()) {
        ASSERT_FALSE(summary) << "nothing may follow the summary";
        if (auto* record = std::get_if<FileRecord>(&event->value)) paths.push_back(record->url().path());
        if (auto* last = std::get_if<ScanSummary>(&event->value)) summary = *last;
    }
    ASSERT_TRUE(summary);
    EXPECT_EQ(paths.size(), 3000u);
    EXPECT_EQ(summary->totalFiles, 3000);
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end()));  // d0/f0 … in walk order
    EXPECT_EQ(paths.front(), f.dir / "root/d0/f0");
}

TEST(ScanEngine, AnEagerConsumerGetsEveryRecordOnceInWalkOrderBeforeTheSummary) {
    // A consumer asking all the time keeps taking the buffer while the walk adds to it, so that
    // records often wait for a later event to go in.
    Fixture f;
    f.makeWideTree();
    for (int round = 0; round < 5; ++round) {
        ScanStream stream = f.scan();
        std::vector<std::string> paths;
        int summaries = 0;
        while (auto event = stream.next()) {
            if (auto* record = std::get_if<FileRecord>(&event->value)) {
                ASSERT_EQ(summaries, 0) << "a record after the summary";
                paths.push_back(record->url().path());
            }
            if (std::holds_alternative<ScanSummary>(event->value)) ++summaries;
        }
        EXPECT_EQ(summaries, 1);
        ASSERT_EQ(paths.size(), 3000u);
        EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end()));
        EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end());  // none twice
        EXPECT_EQ(paths.back(), f.dir / "root/d9/f99");
    }
}

// Progress comes between the records where the walk sent it: each counts the records before it.
TEST(ScanEngine, ProgressComesAfterTheRecordsItCounts) {
    for (const char* held : {"root/d3", "root/d7"}) {
        Fixture f;
        f.makeWideTree();
        f.fs->blockReadsOf(f.dir / held);
        ScanStream stream = f.scan();
        // The walk waits for the folder for longer than progress is held back, then goes on.
        std::jthread opener([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            f.fs->openGate();
        });
        int64_t records = 0;
        std::vector<int64_t> counted;
        while (auto event = stream.next()) {
            if (std::holds_alternative<FileRecord>(event->value)) ++records;
            if (auto* progress = std::get_if<ScanProgress>(&event->value)) {
                EXPECT_EQ(progress->filesSeen, records);
                counted.push_back(progress->filesSeen);
            }
        }
        EXPECT_EQ(records, 3000);
        ASSERT_FALSE(counted.empty()) << held;
        EXPECT_GT(counted.back(), 0) << held;
        EXPECT_LT(counted.front(), 3000) << held;
    }
}

TEST(ScanEngine, ErrorsOfTheWalkReachTheConsumer) {
    Fixture f;
    writeFile(f.dir / "root/a/x.txt", "x");
    writeFile(f.dir / "root/b/y.txt", "y");
    f.fs->throwsUnexpectedly = f.dir / "root/b";
    ScanStream stream = f.scan();
    std::vector<std::string> paths;
    try {
        while (auto event = stream.next()) {
            if (auto* record = std::get_if<FileRecord>(&event->value)) paths.push_back(record->url().path());
            ASSERT_FALSE(std::holds_alternative<ScanSummary>(event->value));
        }
        FAIL() << "the stream ended without the error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "unexpected failure reading " + f.dir / "root/b");
    }
    // Events before the failure were delivered; after the error the stream is over.
    EXPECT_EQ(paths, std::vector<std::string>{f.dir / "root/a/x.txt"});
    EXPECT_FALSE(stream.next());
}

TEST(ScanEngine, DroppingTheStreamNeverWaitsForAHungFileSystemAndStopsTheWalk) {
    Fixture f;
    f.makeWideTree();
    // Folders after the wide ones, more than the walk reads ahead.
    const size_t ahead = platform::FolderReadAhead::maxFoldersAhead;
    for (size_t folder = 1000; folder < 1000 + ahead + 100; ++folder) {
        writeFile(f.dir / ("root/e" + std::to_string(folder) + "/f"), "x");
    }
    f.fs->blockReadsOf(f.dir / "root/d1");
    {
        ScanStream stream = f.scan();
        ASSERT_TRUE(stream.next());  // the walk is under way
        // Leaving the scope while the walk hangs in d1 must return at once.
    }
    f.fs->openGate();
    ASSERT_TRUE(f.walkEnded());
    // The walk stopped at its next check inside d1, well before the last folders (the folders
    // read ahead of it included).
    auto reads = f.fs->reads();
    EXPECT_LT(reads.size(), 11 + ahead + 10);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), f.dir / ("root/e" + std::to_string(1000 + ahead + 99))), 0);
}

TEST(ScanEngine, ACancelledConsumerStopsWaitingAtOnce) {
    Fixture f;
    // Too few items for the walk to reach a check of its own: it runs to the end unheard.
    writeFile(f.dir / "root/a.txt", "a");
    writeFile(f.dir / "root/b.txt", "b");
    f.fs->blockReadsOf(f.dir / "root");
    ScanStream stream = f.scan();
    std::stop_source consumerStop;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        consumerStop.request_stop();
    });
    EXPECT_THROW(stream.next(consumerStop.get_token()), CancellationError);
    canceller.join();
    f.fs->openGate();
    ASSERT_TRUE(f.walkEnded());
    // Nothing after the stop reaches the consumer, and the stream, having no summary, does not
    // end as a finished scan.
    EXPECT_THROW(stream.next(), CancellationError);
}
