#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <new>
#include <filesystem>
#include <thread>

#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "../Kinds/RecognitionFixtures.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/ProcessIO.hpp"
#include "Support/RecognitionHome.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
namespace fs = std::filesystem;

namespace {

// A reader standing in for a real extractor: it takes files by extension and gives the text after
// `marker` (up to a zero byte) when the file begins with it, nothing otherwise. Lists its calls;
// `onCall` runs first in each call (to stop a run, wait, or change the file).
class ScriptedExtractor : public TextExtractor {
public:
    ScriptedExtractor(std::set<std::string> extensions, std::string marker, SampleSource source)
        : extensions_(std::move(extensions)), marker_(std::move(marker)), source_(source) {}

    bool canHandle(const FileRecord& record) const override { return extensions_.contains(record.ext()); }
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget&,
                                         std::stop_token stop) const override {
        {
            std::lock_guard lock(mutex_);
            paths_.push_back(record.path());
        }
        if (onCall) onCall(record);
        checkCancellation(stop);
        std::ifstream in(record.path(), std::ios::binary);
        std::string head(marker_.size() + 4096, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(in.gcount()));
        if (!head.starts_with(marker_)) return std::nullopt;
        ContentSample sample;
        sample.text = head.substr(marker_.size(), head.find('\0') - marker_.size());
        sample.source = source_;
        return sample;
    }

    std::function<void(const FileRecord&)> onCall;
    int calls() const { return static_cast<int>(readPaths().size()); }
    std::vector<std::string> readPaths() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> sorted = paths_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

private:
    std::set<std::string> extensions_;
    std::string marker_;
    SampleSource source_;
    mutable std::mutex mutex_;
    mutable std::vector<std::string> paths_;
};

// Documents the engine recognises: a recipe and a (sensitive) tax form.
const std::string recipeText = std::string("text:") + fixtures::textOf(DocKind::recipe);
const std::string taxText = std::string("text:") + fixtures::textOf(DocKind::taxDocument);

struct PipelineTest : ::testing::Test {
    TempDir dir;
    std::string home = dir / "home";
    AnalysisCache cache{URL::fileURL(dir / "support/analysis-cache.json")};
    ScriptedExtractor text{{"pdf", "txt", "md", "text", "rtf", "docx"}, "text:", SampleSource::plainText};
    ScriptedExtractor scans{{"pdf"}, "scan:", SampleSource::ocr};
    ScriptedExtractor shots{{"png", "jpg", "jpeg", "heic"}, "shot:", SampleSource::ocr};
    RecognitionPipeline pipeline{OwnerIdentity("Ann Lee"), cache};

    void SetUp() override { pipeline.readers = {{&text}, {&scans}, &shots, platform::FileSystem::real(), ""}; }

    // A file of exactly `size` bytes (at least 1,024 by default), holding `contents` then zeros.
    std::string write(const std::string& relative, const std::string& contents, int64_t size = 2048,
                      std::optional<double> modified = std::nullopt) {
        const std::string path = home + "/" + relative;
        writeFile(path, contents);
        fs::resize_file(path, static_cast<uintmax_t>(size));
        if (modified) {
            const timespec times[2] = {{static_cast<time_t>(*modified), 0}, {static_cast<time_t>(*modified), 0}};
            utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
        return path;
    }
    std::vector<FileRecord> records() { return scanRecords(home); }
    const FileRecord& find(const std::vector<FileRecord>& all, const std::string& path) {
        for (const FileRecord& record : all) {
            if (record.path() == path) return record;
        }
        throw std::runtime_error("no record for " + path);
    }
    std::optional<AnalysisCache::Entry> entry(const std::vector<FileRecord>& all, const std::string& path) {
        return cache.cachedEntry(find(all, path));
    }
    static std::set<std::string> paths(const std::vector<ContentInsight>& insights) {
        std::set<std::string> result;
        for (const ContentInsight& insight : insights) result.insert(insight.url.path());
        return result;
    }
};

FileRecord shot(const std::string& name, std::optional<double> created = std::nullopt) {
    FileRecord record;
    record.setURL(URL::fileURL("/home/ada/Pictures/" + name));
    if (created) record.setCreated(Date::fromUnix(*created));
    return record;
}

// Runs with the machine's time zone set to `zone`.
struct ZoneScope {
    explicit ZoneScope(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

}  // namespace

TEST_F(PipelineTest, OnlyDocumentsOfTheRightSizeAndPlaceAreRead) {
    const auto tooSmall = write("Downloads/a.txt", recipeText, 1023);
    const auto smallest = write("Downloads/b.txt", recipeText, 1024);
    const auto largest = write("Downloads/c.txt", recipeText, 50'000'000);
    const auto tooLarge = write("Downloads/d.txt", recipeText, 50'000'001);
    const auto scanned = write("Downloads/e.pdf", "scan:" + recipeText, 20'000'000);
    const auto tooLargeScan = write("Downloads/f.pdf", "scan:" + recipeText, 20'000'001);
    write("Documents/Code/package.json", "{}", 2);
    const auto project = write("Documents/Code/notes.txt", recipeText);
    const auto cloud = write("Desktop/cloud.txt", recipeText);
    const auto package = write("Desktop/package.txt", recipeText);
    auto all = records();
    for (FileRecord& record : all) {
        if (record.path() == cloud) record.setCloud(CloudState::cloudOnly);
        if (record.path() == package) record.setIsPackage(true);
    }

    auto insights = pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(text.readPaths(), (std::vector<std::string>{smallest, largest, scanned, tooLargeScan}));
    EXPECT_EQ(scans.readPaths(), std::vector<std::string>{scanned});
    EXPECT_EQ(paths(insights), (std::set<std::string>{smallest, largest, scanned}));
    auto unreadable = entry(all, tooLargeScan);
    ASSERT_TRUE(unreadable);
    EXPECT_FALSE(unreadable->sampleText || unreadable->fingerprint || unreadable->insight);
    for (const auto& path : {tooSmall, tooLarge, project, cloud, package}) EXPECT_FALSE(entry(all, path)) << path;
}

TEST_F(PipelineTest, TheFiftyNewestScannedPDFsAreReadAndTheOthersWait) {
    std::vector<std::string> pdfs;
    for (int i = 0; i < 60; ++i) {
        pdfs.push_back(write("Downloads/scan " + std::to_string(i) + ".pdf", "scan:" + recipeText, 2048, 1.6e9 + i * 100));
    }
    auto all = records();
    pipeline.run(all, std::nullopt, {});
    std::vector<std::string> newest(pdfs.begin() + 10, pdfs.end());
    std::sort(newest.begin(), newest.end());
    EXPECT_EQ(scans.readPaths(), newest);
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(entry(all, pdfs[i])) << i;

    ScriptedExtractor later{{"pdf"}, "scan:", SampleSource::ocr};
    pipeline.readers.scannedPDFs = {&later};
    pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(later.calls(), 10);
}

TEST_F(PipelineTest, EachPhaseReportsItsOwnProgress) {
    for (int i = 0; i < 4; ++i) write("Desktop/Screenshot " + std::to_string(i) + ".png", "shot:", 100);
    for (int i = 0; i < 4; ++i) write("Downloads/doc" + std::to_string(i) + ".txt", recipeText);
    for (int i = 0; i < 3; ++i) write("Downloads/scan" + std::to_string(i) + ".pdf", "scan:" + recipeText);
    std::vector<std::pair<int64_t, int64_t>> reports;
    pipeline.run(records(), std::nullopt, [&](int64_t done, int64_t total) { reports.emplace_back(done, total); });
    std::vector<std::pair<int64_t, int64_t>> expected;
    for (int64_t total : {4, 7, 3}) {
        for (int64_t done = 1; done <= total; ++done) expected.emplace_back(done, total);
    }
    EXPECT_EQ(reports, expected);

    reports.clear();
    pipeline.run(records(), std::nullopt, [&](int64_t done, int64_t total) { reports.emplace_back(done, total); });
    EXPECT_TRUE(reports.empty());  // nothing left to read
}

TEST_F(PipelineTest, AnUnchangedFileIsAnsweredFromTheCache) {
    const auto recipe = write("Downloads/plum cake.txt", recipeText);
    const auto tax = write("Downloads/w2.txt", taxText);
    const auto unreadable = write("Downloads/blank.pdf", "nothing here");
    const auto other = write("Downloads/other detector.txt", recipeText + "Serve warm.\n");
    auto all = records();
    // The duplicate search hashed a file the pipeline never read: that is no verdict on it.
    cache.recordHashes(find(all, recipe), std::string(64, 'a'), std::nullopt);
    auto first = pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(entry(all, recipe)->partialSHA256, std::string(64, 'a'));
    ASSERT_EQ(text.calls(), 4);
    ASSERT_EQ(scans.calls(), 1);
    auto taxEntry = entry(all, tax);
    ASSERT_TRUE(taxEntry && taxEntry->insight);
    EXPECT_EQ(taxEntry->insight->kind, DocKind::taxDocument);
    EXPECT_FALSE(taxEntry->sampleText || taxEntry->sampleSource);  // sensitive text is never kept
    EXPECT_TRUE(taxEntry->fingerprint);
    EXPECT_TRUE(entry(all, recipe)->sampleText);

    auto stale = *entry(all, other);
    stale.detectorVersion = 2;
    cache.store(stale, URL::fileURL(other));
    // The unreadable file stays skipped once the duplicate search hashed it too.
    cache.recordHashes(find(all, unreadable), std::string(64, 'b'), std::string(64, 'c'));
    auto second = pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(text.readPaths(), (std::vector<std::string>{unreadable, other, other, recipe, tax}));
    EXPECT_EQ(scans.calls(), 1);
    ASSERT_EQ(paths(second), (std::set<std::string>{recipe, tax, other}));
    for (const ContentInsight& insight : second) {
        if (insight.url.path() == tax) {
            EXPECT_EQ(insight, *taxEntry->insight);
        }
    }
}

TEST_F(PipelineTest, AStoppedRunRemembersOnlyWhatItRead) {
    std::vector<std::string> docs;
    for (int i = 0; i < 12; ++i) docs.push_back(write("Downloads/doc" + std::to_string(i) + ".txt", recipeText));
    docs.push_back(write("Downloads/scan.pdf", "scan:" + recipeText));
    std::stop_source stop;
    text.onCall = [&](const FileRecord&) { stop.request_stop(); };
    auto all = records();
    auto insights = pipeline.run(all, std::nullopt, {}, stop.get_token());
    EXPECT_EQ(scans.calls(), 0);
    size_t remembered = 0;
    for (const auto& path : docs) {
        auto cached = entry(all, path);
        EXPECT_EQ(cached.has_value(), paths(insights).contains(path)) << path;
        if (cached) {
            EXPECT_TRUE(cached->sampleText) << path;
        }
        remembered += cached.has_value();
    }
    EXPECT_LT(remembered, 4u);

    text.onCall = nullptr;
    auto next = pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(paths(next).size(), docs.size());
}

// Each picture whose name doesn't say it is a screenshot is opened for its metadata, so a stop is
// heeded before each one rather than after all of them. The run still ends as a run: with nothing.
TEST_F(PipelineTest, AStopEndsThePickingOfScreenshotsBeforeTheNextPicture) {
    const std::string png = blankPng(64, 48);
    const std::string chunks = pngChunk("tEXt", "Comment" + std::string(1, '\0') + std::string(60'000, ' ')) +
                               pngChunk("tEXt", std::string("Software\0gnome-screenshot", 25));
    for (int i = 0; i < 20; ++i) {
        writeFile(home + "/Pictures/capture " + std::to_string(i) + ".png", png.substr(0, 33) + chunks + png.substr(33));
    }
    write("Desktop/Screenshot named.png", "shot:", 100);
    write("Downloads/notes.txt", recipeText);
    const auto all = records();
    ASSERT_TRUE(RecognitionPipeline::isScreenshot(all.front()));  // by its metadata alone
    std::stop_source stop;
    stop.request_stop();
    const int64_t before = bytesReadByProcess();
    std::vector<ContentInsight> insights;
    EXPECT_NO_THROW(insights = pipeline.run(all, std::nullopt, {}, stop.get_token()));
    EXPECT_LT(bytesReadByProcess() - before, 60'000);  // not one picture
    EXPECT_TRUE(insights.empty());
    EXPECT_EQ(shots.calls() + text.calls(), 0);
    for (const FileRecord& record : all) EXPECT_FALSE(cache.cachedEntry(record)) << record.path();
}

// A stop while the screenshots are read: what was read is remembered, the rest of the run reads
// nothing, and the run returns for its caller to see the stop.
TEST_F(PipelineTest, AStopAmongTheScreenshotsKeepsWhatWasRead) {
    using namespace std::chrono_literals;
    std::vector<std::string> shotPaths;
    for (int i = 0; i < 5; ++i) {
        shotPaths.push_back(write("Desktop/Screenshot " + std::to_string(i) + ".png", "no text", 100, 1.7e9 + i));
    }
    const std::string newest = shotPaths.back();
    const auto doc = write("Downloads/notes.txt", recipeText);
    std::stop_source stop;
    // Only the newest is read; the others wait for the stop its reading brings.
    shots.onCall = [&](const FileRecord& record) {
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (record.path() != newest && !stop.stop_requested() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
    };
    auto all = records();
    std::vector<ContentInsight> insights;
    EXPECT_NO_THROW(insights = pipeline.run(all, std::nullopt, [&](int64_t, int64_t) { stop.request_stop(); },
                                            stop.get_token()));
    EXPECT_TRUE(insights.empty());  // the one read has no text to name it by
    ASSERT_TRUE(entry(all, newest));
    EXPECT_FALSE(entry(all, newest)->insight);
    for (const auto& path : shotPaths) {
        if (path != newest) {
            EXPECT_FALSE(entry(all, path)) << path;
        }
    }
    EXPECT_EQ(text.calls(), 0);
    EXPECT_FALSE(entry(all, doc));

    shots.onCall = nullptr;
    const int before = shots.calls();
    pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(shots.calls() - before, 4);  // the others, at the next scan
    EXPECT_TRUE(entry(all, doc));
}

TEST_F(PipelineTest, ATimedOutScreenshotIsNotAnAnswer) {
    using namespace std::chrono_literals;
    pipeline.budget.ocrTimeout = 300ms;
    const auto slow = write("Desktop/Screenshot slow.png", "no text", 100);
    const auto blank = write("Desktop/Screenshot blank.png", "no text", 100);
    // Each limit starts when a worker takes the screenshot: three rounds of 150 ms per worker stay
    // within it, though the phase as a whole does not.
    const size_t queued = 3 * std::max(1u, std::thread::hardware_concurrency());
    for (size_t i = 0; i < queued; ++i) write("Desktop/Screenshot queued " + std::to_string(i) + ".png", "no", 100);
    shots.onCall = [&](const FileRecord& record) {
        std::this_thread::sleep_for(record.path() == slow ? 400ms : record.path() == blank ? 0ms : 150ms);
    };
    auto all = records();
    pipeline.run(all, std::nullopt, {});
    EXPECT_FALSE(entry(all, slow));
    ASSERT_TRUE(entry(all, blank));
    EXPECT_FALSE(entry(all, blank)->insight);
    for (size_t i = 0; i < queued; ++i) {
        EXPECT_TRUE(entry(all, home + "/Desktop/Screenshot queued " + std::to_string(i) + ".png")) << i;
    }
    const int before = shots.calls();
    pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(shots.calls(), before + 1);  // only the timed-out one is tried again
}

TEST_F(PipelineTest, FilesThatChangedOrVanishedSinceTheScanGiveNothing) {
    const auto vanished = write("Downloads/vanished.txt", recipeText);
    const auto grown = write("Downloads/grown.txt", recipeText);
    const auto changing = write("Downloads/changing.txt", recipeText);
    const auto steady = write("Downloads/steady.txt", recipeText);
    const auto oddName = write("Downloads/Recette \xff.txt", recipeText);
    auto all = records();
    fs::remove(vanished);
    fs::resize_file(grown, 4096);
    text.onCall = [&](const FileRecord& record) {
        if (record.path() == changing) fs::resize_file(changing, 3000);
    };
    auto insights = pipeline.run(all, std::nullopt, {});
    EXPECT_EQ(paths(insights), (std::set<std::string>{steady, oddName}));
    for (const auto& path : {vanished, grown, changing}) EXPECT_FALSE(entry(all, path)) << path;
    for (const ContentInsight& insight : insights) {
        EXPECT_FALSE(insight.suggestedFolder);  // destinations need a context
        for (const auto& text : {insight.title, insight.subjectName, insight.groupKey, insight.suggestedName}) {
            if (text) {
                EXPECT_TRUE(platform::text::isValidUTF8(*text)) << *text;
            }
        }
    }
}

// Running out of memory while reading says nothing about the file: the run fails and the file is
// not remembered as unreadable, so the next scan reads it again.
TEST_F(PipelineTest, OutOfMemoryIsNotAVerdictOnTheFile) {
    const auto path = write("Downloads/notes.txt", recipeText);
    text.onCall = [](const FileRecord&) { throw std::bad_alloc(); };
    auto all = records();
    EXPECT_THROW(pipeline.run(all, std::nullopt, {}), std::bad_alloc);
    EXPECT_EQ(text.calls(), 1);
    EXPECT_FALSE(entry(all, path));
}

TEST(ScreenshotRename, TheDateComesFromTheNameElseFromTheLocalCreationDay) {
    const double march7Late = 1709850600;  // 2024-03-07 22:30 UTC, already 8 March in Tokyo
    ZoneScope tokyo("Asia/Tokyo");
    const std::pair<FileRecord, std::string> cases[] = {
        {shot("Screenshot 2024-03-07 at 10.15.22.png", 1.6e9), "Screenshot - Invoice from Acme (2024-03-07).png"},
        {shot("capture.PNG", march7Late), "Screenshot - Invoice from Acme (2024-03-08).png"},
        {shot("Screen Shot.Jpeg"), "Screenshot - Invoice from Acme.jpeg"},
        {shot("Screenshot 1999-01-02.png"), "Screenshot - Invoice from Acme.png"},
        {shot("Shot 2031-12-30 2024-01-01.heic"), "Screenshot - Invoice from Acme (2031-12-30).heic"},
    };
    for (const auto& [record, expected] : cases) {
        EXPECT_EQ(RecognitionPipeline::screenshotRename(record, "Invoice from Acme"), expected)
            << record.path();
    }
}

// The names the Linux desktops' capture tools give by default, in each language whose text is
// read: the classifier counts screenshots and recordings, the pipeline reads the pictures, and a
// name that only starts with a tool's words is neither.
TEST(ScreenCaptureNames, DefaultNamesOfEveryLanguageReadAreCaptures) {
    enum Made { picture, recording, neither };
    const struct {
        const char* name;
        Made made;
    } cases[] = {
        {"Capture d’écran du 2024-03-01 10-15-22.png", picture},
        {"Capture d’écran_2024-03-01_10-15-22.jpg", picture},
        {"Capture vidéo du 2024-03-01 10-15-22.webm", recording},
        {"Bildschirmfoto vom 2024-03-01 10-15-22.png", picture},
        {"Bildschirmfoto_2024-03-01_10-15-22.png", picture},
        {"Bildschirmaufzeichnung vom 2024-03-01, 10-15-22.webm", recording},
        {"Captura desde 2024-03-01 10-15-22.png", picture},
        {"Captura de pantalla de 2024-03-01 10-15-22 - 2.png", picture},
        {"Grabación de pantalla desde 2024-03-01 10-15-22.webm", recording},
        {"Schermata del 2024-03-01 10-15-22-1.png", picture},
        {"Istantanea_2024-03-01_10-15-22.png", picture},
        {"Video del 2024-03-01 10-15-22.webm", recording},
        {"Captura de ecrã de 2024-03-01 10-15-22.png", picture},
        {"Gravação de ecrã a partir de 2024-03-01 10-15-22.webm", recording},
        {"Captura de tela de 2024-03-01 10-15-22.png", picture},
        {"Schermafdruk van 2024-03-01 10-15-22.png", picture},
        {"Schermopname van 2024-03-01 10-15-22.webm", recording},
        {"Skärmbild från 2024-03-01 10-15-22.png", picture},
        {"Skjermbilde fra 2024-03-01 10-15-22.png", picture},
        {"Skjermbilete_2024-03-01_10-15-22.png", picture},
        {"Skærmbillede fra 2024-03-01 10-15-22.png", picture},
        {"Ekran Görüntüsü - 2024-03-01 10-15-22.png", picture},
        {"Ekran görüntüsü_2024-03-01_10-15-22.png", picture},
        {"Ekran Kaydı - 2024-03-01 10-15-22.webm", recording},
        {"Zrzut ekranu z 2024-03-01 10-15-22.png", picture},
        {"Przechwycenie obrazu ekranu_2024-03-01_10-15-22.png", picture},
        {"Nagranie ekranu z 2024-03-01 10-15-22.webm", recording},
        {"20240301_10h15m22s_grim.png", picture},
        {"20240301_10h15m22s_grim.jpeg", picture},
        {"2024-03-01-101522_1920x1080_scrot.png", picture},
        {"2024-03-01-101522_1920x1080_scrot_000.png", picture},
        {"Screencast from 2024-03-01 10-15-22.webm", recording},
        {"Screencast_20240301_101522.webm", recording},
        // English words are enough, as the tools wrote them over the years.
        {"Screencast from 2019-05-01 10:20:30.webm", recording},
        {"Screencast_2024-01-01_12-00-00.webm", recording},
        {"Screencast From 2024-03-01 10-15-22.webm", recording},
        {"Screencast from the talk.webm", recording},
        {"Screencast.webm", recording},
        {"Screenshot From 2024-03-01 10-15-22.png", picture},
        {"Screenshot_20240301_101522.png", picture},
        // Only the start of one.
        {"Bildschirmfotos Urlaub.png", neither},
        {"Bildschirmfoto vom Urlaub.png", neither},
        {"Bildschirmfoto vom 2024-03-01.png", neither},
        {"bildschirmfoto vom 2024-03-01 10-15-22.png", neither},
        {"Zrzut ekranu z 2024-3-1 10-15-22.png", neither},
        {"Captura desde el balcón.jpg", neither},
        {"Video del matrimonio.webm", neither},
        {"screencast from 2024-03-01 10-15-22.webm", neither},
        {"Screencasting tips.webm", neither},
        {"20240301_grim.png", neither},
        {"2024-03-01-101522_scrot.png", neither},
    };
    ZoneScope utc("UTC");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileRecord record = shot(c.name, 1709288122);  // made 2024-03-01 10:15:22 UTC
        EXPECT_EQ(Classifier::isScreenshot(record), c.made != neither);
        EXPECT_EQ(RecognitionPipeline::isScreenshot(record), c.made == picture);
        if (c.made == picture) {
            EXPECT_EQ(RecognitionPipeline::screenshotRename(record, "Receipt"),
                      "Screenshot - Receipt (2024-03-01)." + record.url().pathExtension());
        }
    }
}
