#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdaneRecognition/Extraction/ExtractionBudget.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

class ReaderPool;

// Turns the records of one finished scan into insights: which screenshots deserve a better name,
// what kind each readable document is, which documents form a family and where a loose document
// could be filed. Reads files only through the text extractors, never writes a user file, and keeps
// the analysis cache up to date so that an unchanged file is not read again at the next scan.
class RecognitionPipeline {
public:
    // Where learned folders and filing history come from; built by the caller for each run.
    struct DestinationContext {
        UserFolders folders;
        FolderCentroidStore* centroidStore = nullptr;  // not null; owned by the caller
        std::vector<FilingPriorsStore::Row> priors;
        // Files the system itself moved recently: never members of their folder when learning.
        std::unordered_set<URL> quarantinedURLs;
        std::optional<OrganizeScope> scope;
    };

    // (done, total) after every finished file of the screenshot phase and of each reading pass,
    // each phase with its own total. Called on the thread that called `run`, but a caller must not
    // rely on that: treat it as callable from any thread.
    using Progress = std::function<void(int64_t done, int64_t total)>;

    // What reads the files; tests put their own in.
    struct Readers {
        std::vector<const TextExtractor*> documents;    // first pass: PDF text, rich text, plain text
        std::vector<const TextExtractor*> scannedPDFs;  // second pass: text recognition of PDF pages
        const TextExtractor* screenshots = nullptr;     // text recognition of one picture
        // Asked whether a file is still what the scan saw before and after it is read.
        std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();
        // The reader program in whose processes the shared extractors open files (ordane-reader
        // beside the running program); empty: they read in this process, as they do (saying why
        // on standard error) when no reader can start. Other extractors always read in this process.
        std::string readerProgram;

        static Readers standard();
    };

    static constexpr const char* readerProgramName = "ordane-reader";
    static constexpr int64_t minDocumentSize = 1'024;
    static constexpr int64_t maxDocumentSize = 50'000'000;
    static constexpr int64_t maxScannedPDFSize = 20'000'000;
    static constexpr size_t maxScannedPDFsPerRun = 50;
    static constexpr size_t documentWidth = 4;
    static constexpr size_t scannedPDFWidth = 2;
    static constexpr int64_t maxScreenshotSize = 20'000'000;
    static constexpr size_t maxScreenshotsPerRun = 200;

    OwnerIdentity owner;
    AnalysisCache* cache = nullptr;  // not null; owned by the caller, outlives every run
    ExtractionBudget budget;         // handed unchanged to every extractor
    Readers readers = Readers::standard();

    RecognitionPipeline(OwnerIdentity owner, AnalysisCache& cache);

    // Blocking; run it off the GUI thread. Returns at most one insight per file: the insights of the
    // documents recognised in this run (with family keys and suggested folders), then the insights
    // answered unchanged from the cache, then the screenshot rename proposals. Without `context` no
    // folder is learned and no destination predicted.
    //
    // Never throws for a file: what can't be read is left out and remembered as unreadable. When
    // `stop` is requested no further file is read; the run finishes with what it has (files it did
    // not get to are neither in the result nor in the cache) and returns normally, so the caller
    // checks the token.
    std::vector<ContentInsight> run(const std::vector<FileRecord>& records,
                                    const std::optional<DestinationContext>& context, const Progress& progress,
                                    std::stop_token stop = {}) const;

    // An image of at most 20,000,000 bytes, not in a project, package or the cloud only, whose name
    // is a capture tool's default screenshot name (ScreenCaptureNames), or that the file's metadata
    // marks as a screen capture.
    static bool isScreenshot(const FileRecord& record);
    // "Screenshot - <description> (<yyyy-mm-dd>).<ext>": the date from the old name, else the
    // creation date in the machine's time zone, else left out.
    static std::string screenshotRename(const FileRecord& record, const std::string& description);

private:
    // Rename proposals for the screenshots among the records: new ones first, then cached ones.
    // A stop ends the picking: the pictures picked before it are answered from the cache, none read.
    std::vector<ContentInsight> screenshotPhase(const std::vector<FileRecord>& records, ReaderPool* readerPool,
                                                const Progress& progress, std::stop_token stop) const;
    // Most recently modified first, a missing date last; equal dates keep their order.
    static void sortNewestFirst(std::vector<FileRecord>& records);
};

}  // namespace ordane
