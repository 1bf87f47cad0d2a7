#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/RecognitionHome.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
namespace fs = std::filesystem;

namespace {

const std::string faultyReader = ORDANE_FAULTY_READER;

struct HomeRun {
    std::map<std::string, ContentInsight> insights;  // by path
    Json cache;                                      // the cache file, without its dates of last use
};

HomeRun runOn(const std::string& home, const std::string& support, const std::string& readerProgram,
              const ExtractionBudget& budget = {}, const RecognitionPipeline::Progress& progress = {},
              std::stop_token stop = {}) {
    AnalysisCache cache(URL::fileURL(support + "/analysis-cache.json"));
    RecognitionPipeline pipeline(OwnerIdentity(recognitionHomeOwner), cache);
    pipeline.readers.readerProgram = readerProgram;
    pipeline.budget = budget;
    HomeRun run;
    for (ContentInsight& insight : pipeline.run(scanRecords(home), std::nullopt, progress, stop)) {
        EXPECT_TRUE(run.insights.emplace(insight.url.path(), std::move(insight)).second);
    }
    run.cache = json::parse(readFile(support + "/analysis-cache.json"));
    for (auto& [path, entry] : run.cache["entries"].items()) entry.erase("lastSeen");
    return run;
}

// A reader program that is a shell script in the folder.
std::string readerScript(const std::string& folder, const std::string& name, const std::string& body) {
    const std::string path = folder + "/" + name;
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

const std::string readInThisProcess = "ordane: reading files in this process, not in reader processes: ";

// Every file below the folder with its content.
std::map<std::string, std::string> contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (!item.is_directory()) files[item.path()] = readFile(item.path());
    }
    return files;
}

}  // namespace

TEST(ReaderIsolation, ReadersGiveWhatReadingInTheProgramGivesAndAWarmRunNeedsNone) {
    TempDir dir;
    writeRecognitionHome(dir / "home");
    const std::string reader = RecognitionPipeline::Readers::standard().readerProgram;
    ASSERT_FALSE(reader.empty()) << "ordane-reader beside the test program";
    const HomeRun inProgram = runOn(dir / "home", dir / "in-program", "");
    ::testing::internal::CaptureStderr();
    const HomeRun isolated = runOn(dir / "home", dir / "isolated", reader);
    EXPECT_EQ(occurrences(::testing::internal::GetCapturedStderr(), "ordane: "), 0u) << "the reader passed its check";
    EXPECT_EQ(isolated.insights, inProgram.insights);
    EXPECT_GT(isolated.cache["entries"].size(), 20u);
    EXPECT_EQ(isolated.cache["entries"].size(), inProgram.cache["entries"].size());
    for (const auto& [path, entry] : inProgram.cache["entries"].items()) {
        EXPECT_EQ(isolated.cache["entries"].value(path, Json()).dump(), entry.dump()) << path;
    }
    // Everything is in the cache: no reader is needed, so one that can't start changes nothing.
    EXPECT_EQ(runOn(dir / "home", dir / "isolated", dir / "no-such-reader").insights, isolated.insights);
}

TEST(ReaderIsolation, AFileThatCrashesHangsOrFloodsItsReaderCostsOnlyThatFile) {
    TempDir dir;
    const std::string home = dir / "home";
    writeRecognitionHome(home);
    const std::vector<std::string> marked{"Documents/reader-crash.pdf", "Documents/reader-hang.txt",
                                          "Downloads/reader-flood.docx", "Desktop/Screenshot reader-crash.png"};
    for (const std::string& name : marked) writeFile(home + "/" + name, std::string(4096, 'x'));
    const auto before = contents(home);
    ExtractionBudget budget;
    budget.perFileTimeout = std::chrono::seconds(1);

    const HomeRun run = runOn(home, dir / "support", faultyReader, budget);
    EXPECT_EQ(contents(home), before) << "nothing written in the home";
    for (const std::string& name : marked) {
        EXPECT_FALSE(run.insights.contains(home + "/" + name)) << name;
        // Remembered as unreadable, so the next scan doesn't open it again.
        const Json& entry = run.cache["entries"].at(home + "/" + name);
        EXPECT_FALSE(entry.contains("fingerprint") || entry.contains("sampleText") || entry.contains("insight")) << entry;
    }
    // Readers were replaced and went on: text, Word, scanned PDFs and screenshots were all read.
    EXPECT_EQ(run.insights.at(home + "/Downloads/Banana Bread.txt").kind, DocKind::recipe);
    EXPECT_EQ(run.insights.at(home + "/Desktop/Resume Ann Lee.docx").kind, DocKind::resume);
    EXPECT_TRUE(run.insights.contains(home + "/Downloads/Lease scan.pdf"));
    EXPECT_TRUE(run.insights.at(home + "/Desktop/Screenshot 2024-03-07 at 10.15.22.png").suggestedName);
}

TEST(ReaderIsolation, StoppingEndsAReaderThatHangsAtOnce) {
    TempDir dir;
    writeFile(dir / "home/Documents/notes.txt", "Notes for the meeting.\n" + std::string(2000, 'a'));
    writeFile(dir / "home/Documents/reader-hang.txt", std::string(4096, 'x'));
    ExtractionBudget budget;
    budget.perFileTimeout = std::chrono::hours(1);
    std::stop_source stop;
    // The other file's answer comes while the marked one hangs: the stop must not wait an hour.
    const HomeRun run = runOn(dir / "home", dir / "support", faultyReader, budget,
                              [&](int64_t, int64_t) { stop.request_stop(); }, stop.get_token());
    EXPECT_FALSE(run.cache["entries"].contains(dir / "home/Documents/reader-hang.txt"));
}

// A reader's CPU time is limited in the reader itself; the program reading in itself is limited
// by nothing (see the reader service's tests).
TEST(ReaderIsolation, AReaderReadsUnderACpuLimitOfItsOwn) {
    TempDir dir;
    const std::string limited = dir / "home/Documents/reader-unlimited notes.txt";
    writeFile(limited, "Notes for the meeting.\n" + std::string(2000, 'a'));
    EXPECT_TRUE(runOn(dir / "home", dir / "support", faultyReader).insights.contains(limited));
}

// A reader that is missing, ends at start or fails its own check (here: its picture reading, or its
// PDF reading, refused as a confinement or library mismatch refuses it) is not used: the program
// reads every file itself, within the same budget, says why on one line, and marks nothing
// unreadable that the program can read.
TEST(ReaderIsolation, WhereNoReaderCanStartTheProgramReadsEveryFileItselfAndSaysWhyOnce) {
    TempDir dir;
    writeRecognitionHome(dir / "home");
    const HomeRun inProgram = runOn(dir / "home", dir / "in-program", "");
    const struct {
        std::string name, program, reason;
    } readers[] = {
        {"missing", dir / "no-such-reader", "could not be started (No such file or directory)"},
        {"ends at start", readerScript(dir.path(), "ends", "exit 1"), "ended before it was ready"},
        {"refuses pictures", readerScript(dir.path(), "pictures", "exec " + faultyReader + " --refuse=imageText \"$@\""),
         "failed its check: could not read its sample check.png"},
        {"refuses PDF text", readerScript(dir.path(), "pdf", "exec " + faultyReader + " --refuse=pdfText \"$@\""),
         "failed its check: could not read its sample check.pdf"},
    };
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.name);
        ::testing::internal::CaptureStderr();
        const HomeRun run = runOn(dir / "home", dir / ("support " + reader.name), reader.program);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(occurrences(said, readInThisProcess), 1u) << said;
        EXPECT_EQ(occurrences(said, reader.reason), 1u) << said;
        EXPECT_EQ(run.insights, inProgram.insights);
        EXPECT_EQ(run.cache["entries"].size(), inProgram.cache["entries"].size());
        for (const auto& [path, entry] : inProgram.cache["entries"].items()) {
            EXPECT_EQ(run.cache["entries"].value(path, Json()).dump(), entry.dump()) << path;
        }
    }
}

// One start that fails (here the reader ends at start; under load one may not be ready in time)
// is followed by another: the run still reads in readers, and says nothing.
TEST(ReaderIsolation, AReaderThatFailsToStartOnceIsStartedAgainInsteadOfReadingInTheProgram) {
    TempDir dir;
    // Text the program would read; its reader crashes on it. The only file, so the only start.
    const std::string marked = dir / "home/Documents/reader-crash.txt";
    writeFile(marked, "Notes for the meeting.\n" + std::string(4096, 'a'));
    const std::string firstStart = dir / "first start";
    const std::string reader = readerScript(dir.path(), "fails-once",
                                            "mkdir '" + firstStart + "' 2>/dev/null && exit 1\nexec " + faultyReader +
                                                " \"$@\"");
    ::testing::internal::CaptureStderr();
    const HomeRun run = runOn(dir / "home", dir / "support", reader);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(firstStart)) << "the first start ended";
    EXPECT_EQ(occurrences(said, readInThisProcess), 0u) << said;
    ASSERT_TRUE(run.cache["entries"].contains(marked));
    EXPECT_FALSE(run.cache["entries"][marked].contains("fingerprint")) << "crashed in a reader";
}

TEST(ReaderIsolation, ReadersThatCannotLoadTheirFilterStillReadAndThatIsSaidOnce) {
    TempDir dir;
    writeRecognitionHome(dir / "home");
    const HomeRun inProgram = runOn(dir / "home", dir / "in-program", "");
    // Text the program would read; its reader crashes on it.
    const std::string marked = dir / "home/Documents/reader-crash.txt";
    writeFile(marked, "Notes for the meeting.\n" + std::string(4096, 'a'));
    ::testing::internal::CaptureStderr();
    const HomeRun run = runOn(dir / "home", dir / "support",
                              readerScript(dir.path(), "unfiltered", "exec " + faultyReader + " --no-filters \"$@\""));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(said, "ordane: reader processes run without their system-call filter: "), 1u) << said;
    EXPECT_EQ(occurrences(said, readInThisProcess), 0u) << said;
    EXPECT_FALSE(run.insights.contains(marked));
    ASSERT_TRUE(run.cache["entries"].contains(marked));
    EXPECT_FALSE(run.cache["entries"][marked].contains("fingerprint")) << "crashed in a reader";
    EXPECT_EQ(run.insights, inProgram.insights);
}

TEST(ReaderIsolation, AReaderLoadsTheModelOfTheLanguageItReads) {
    TempDir dir;
    const std::string home = dir / "home";
    fs::create_directories(home + "/Documents");
    fs::create_directories(home + "/Desktop");
    writeScannedPdf(home + "/Documents/Brief.pdf",
                    {{"Sehr geehrte Frau Müller,", "vielen Dank für Ihre Nachricht vom Dienstag.",
                      "Die Übergabe der Schlüssel erfolgt am Montag.", "Mit freundlichen Grüßen"}});
    Screenshot shot;
    shot.lines = {{"Einstellungen für Größe", 300, 60, 38, true},
                  {"Die Schriftgröße gilt für alle Fenster.", 80, 200, 24},
                  {"Änderungen werden sofort übernommen.", 80, 280, 24}};
    writeScreenshotPng(home + "/Desktop/Screenshot 2024-05-02 at 09.12.44.png", shot);

    const HomeRun run = runOn(home, dir / "support", RecognitionPipeline::Readers::standard().readerProgram);
    const Json& letter = run.cache["entries"].at(home + "/Documents/Brief.pdf");
    ASSERT_TRUE(letter.contains("sampleText")) << letter;
    EXPECT_NE(letter["sampleText"].get<std::string>().find("Übergabe der Schlüssel"), std::string::npos) << letter;
    EXPECT_NE(letter["sampleText"].get<std::string>().find("Grüßen"), std::string::npos) << letter;
    EXPECT_EQ(run.insights.at(home + "/Desktop/Screenshot 2024-05-02 at 09.12.44.png").suggestedName,
              "Screenshot - Einstellungen für Größe (2024-05-02).png");
}
