#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FolderFaultFileSystem;
using ordane::testing::TempDir;
using ordane::testing::writeFile;

namespace {

// Waits until the walk's thread has let go of the file system, that is, has ended. A guard
// against hanging, not a timing check: a correct walk ends long before.
bool waitUntilReleased(const std::weak_ptr<FolderFaultFileSystem>& fs) {
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs.expired()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Ten folders of 300 files each.
void makeWideTree(const TempDir& dir) {
    for (int folder = 0; folder < 10; ++folder) {
        for (int file = 0; file < 300; ++file) {
            writeFile(dir / ("root/d" + std::to_string(folder) + "/f" + std::to_string(file)), "x");
        }
    }
}

}  // namespace

TEST(ScanEngine, NoRootsGiveOneEmptySummary) {
    TempDir dir;
    ScanStream stream = ScanEngine::scan({}, ScanRules::fixture(), URL::fileURL(dir.path(), true));
    auto event = stream.next();
    ASSERT_TRUE(event);
    auto* summary = std::get_if<ScanSummary>(&event->value);
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->totalFiles, 0);
    EXPECT_EQ(summary->totalBytes, 0);
    EXPECT_TRUE(summary->byType.empty());
    EXPECT_TRUE(summary->issues.empty());
    EXPECT_TRUE(summary->roots.empty());
    EXPECT_FALSE(stream.next());
    EXPECT_FALSE(stream.next());
}

TEST(ScanEngine, ASlowConsumerStillGetsEveryRecordInWalkOrderThenTheSummary) {
    TempDir dir;
    makeWideTree(dir);
    auto fs = std::make_shared<FolderFaultFileSystem>();
    std::weak_ptr<FolderFaultFileSystem> watch = fs;
    ScanStream stream = ScanEngine::scan({URL::fileURL(dir / "root", true)}, ScanRules::fixture(),
                                         URL::fileURL(dir.path(), true), std::move(fs));
    // Let the walk finish before reading anything: the buffer must hold it all.
    ASSERT_TRUE(waitUntilReleased(watch));
    std::vector<std::string> paths;
    std::optional<ScanSummary> summary;
    while (auto event = stream.next()) {
        ASSERT_FALSE(summary) << "nothing may follow the summary";
        if (auto* record = std::get_if<FileRecord>(&event->value)) paths.push_back(record->url.path());
        if (auto* last = std::get_if<ScanSummary>(&event->value)) summary = *last;
    }
    ASSERT_TRUE(summary);
    EXPECT_EQ(paths.size(), 3000u);
    EXPECT_EQ(summary->totalFiles, 3000);
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end()));  // d0/f0 … in walk order
    EXPECT_EQ(paths.front(), dir / "root/d0/f0");
}

TEST(ScanEngine, ErrorsOfTheWalkReachTheConsumer) {
    TempDir dir;
    writeFile(dir / "root/a/x.txt", "x");
    writeFile(dir / "root/b/y.txt", "y");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->throwsUnexpectedly = dir / "root/b";
    ScanStream stream = ScanEngine::scan({URL::fileURL(dir / "root", true)}, ScanRules::fixture(),
                                         URL::fileURL(dir.path(), true), fs);
    std::vector<std::string> paths;
    try {
        while (auto event = stream.next()) {
            if (auto* record = std::get_if<FileRecord>(&event->value)) paths.push_back(record->url.path());
            ASSERT_FALSE(std::holds_alternative<ScanSummary>(event->value));
        }
        FAIL() << "the stream ended without the error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "unexpected failure reading " + dir / "root/b");
    }
    // Events before the failure were delivered; after the error the stream is over.
    EXPECT_EQ(paths, std::vector<std::string>{dir / "root/a/x.txt"});
    EXPECT_FALSE(stream.next());
}

TEST(ScanEngine, DroppingTheStreamNeverWaitsForAHungFileSystemAndStopsTheWalk) {
    TempDir dir;
    makeWideTree(dir);
    auto fs = std::make_shared<FolderFaultFileSystem>();
    std::weak_ptr<FolderFaultFileSystem> watch = fs;
    fs->blockReadsOf(dir / "root/d1");
    {
        ScanStream stream = ScanEngine::scan({URL::fileURL(dir / "root", true)}, ScanRules::fixture(),
                                             URL::fileURL(dir.path(), true), fs);
        auto first = stream.next();  // the walk is under way
        ASSERT_TRUE(first);
        // Leaving the scope while the walk hangs in d1 must return at once.
    }
    fs->openGate();
    auto reads = fs->reads();
    fs.reset();
    ASSERT_TRUE(waitUntilReleased(watch));
    // The walk stopped at its next check inside d1, well before the last folders.
    EXPECT_LT(reads.size(), 11u);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), dir / "root/d9"), 0);
}

TEST(ScanEngine, ACancelledConsumerStopsWaitingAtOnce) {
    TempDir dir;
    // Too few items for the walk to reach a check of its own: it runs to the end unheard.
    writeFile(dir / "root/a.txt", "a");
    writeFile(dir / "root/b.txt", "b");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    std::weak_ptr<FolderFaultFileSystem> watch = fs;
    fs->blockReadsOf(dir / "root");
    ScanStream stream = ScanEngine::scan({URL::fileURL(dir / "root", true)}, ScanRules::fixture(),
                                         URL::fileURL(dir.path(), true), fs);
    std::stop_source consumerStop;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        consumerStop.request_stop();
    });
    EXPECT_THROW(stream.next(consumerStop.get_token()), CancellationError);
    canceller.join();
    fs->openGate();
    fs.reset();
    ASSERT_TRUE(waitUntilReleased(watch));
    // Nothing after the stop reaches the consumer, and the stream, having no summary, does not
    // end as a finished scan.
    EXPECT_THROW(stream.next(), CancellationError);
}
