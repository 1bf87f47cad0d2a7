#include <algorithm>
#include <cmath>
#include <ctime>
#include <thread>

#include "OrdaneCore/Analysis/ScreenCaptureNames.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/FileMetadata.hpp"
#include "OrdaneRecognition/Extraction/ScreenshotDescriber.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Isolation/ReaderPool.hpp"
#include "OrdaneRecognition/Pipeline/ReadingPass.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

// Whether the record is a screenshot as far as its values and name tell; nothing when only the
// file's own metadata can.
std::optional<bool> screenshotByNameAndValues(const FileRecord& record) {
    if (record.isDirectory() || record.isPackage() || record.isCloudOnly() || record.projectContext()) return false;
    if (!TextExtractors::screenshotImageExtensions().contains(record.ext()) || record.size() > RecognitionPipeline::maxScreenshotSize) return false;
    if (ScreenCaptureNames::kindOf(record.url().lastPathComponent()) == ScreenCaptureNames::Kind::screenshot) return true;
    return std::nullopt;
}

bool metadataSaysScreenCapture(const FileRecord& record) {
    try {
        auto metadata = FileMetadata::read(record.url());
        return metadata && metadata->isScreenCapture;
    } catch (const std::exception&) {
        return false;  // a picture whose metadata can't be read doesn't say it is a capture
    }
}

ContentInsight renameInsight(const FileRecord& record, std::string name) {
    ContentInsight insight;
    insight.url = record.url();
    insight.suggestedName = std::move(name);
    insight.analyzerID = "rules-v1";
    return insight;
}

std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// yyyy-mm-dd of the date in the machine's time zone; nothing for a date no calendar can hold.
std::optional<std::string> localDayText(Date date) {
    const double seconds = std::floor(date.secondsSince1970());
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15) return std::nullopt;
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local)) return std::nullopt;
    const int year = local.tm_year + 1900;
    if (year < 0 || year > 9999) return std::nullopt;
    std::string yearText = std::to_string(year);
    yearText.insert(0, 4 - yearText.size(), '0');
    return yearText + "-" + twoDigits(local.tm_mon + 1) + "-" + twoDigits(local.tm_mday);
}

}  // namespace

bool RecognitionPipeline::isScreenshot(const FileRecord& record) {
    if (auto decided = screenshotByNameAndValues(record)) return *decided;
    return metadataSaysScreenCapture(record);
}

std::vector<ContentInsight> RecognitionPipeline::screenshotPhase(const std::vector<FileRecord>& records,
                                                                 ReaderPool* readerPool, const Progress& progress,
                                                                 std::stop_token stop) const {
    std::vector<FileRecord> screenshots;
    for (const FileRecord& record : records) {
        if (stop.stop_requested()) break;  // a picture without a screenshot's name is opened for its metadata
        if (isScreenshot(record)) screenshots.push_back(record);
    }
    if (screenshots.empty()) return {};

    std::vector<ContentInsight> cached;
    std::vector<FileRecord> toRead;
    for (const FileRecord& record : screenshots) {
        auto entry = cache->cachedEntry(record);
        if (entry && entry->detectorVersion == AnalysisCache::currentDetectorVersion) {
            if (entry->insight) cached.push_back(*entry->insight);
            continue;
        }
        toRead.push_back(record);
    }
    sortNewestFirst(toRead);
    if (toRead.size() > maxScreenshotsPerRun) toRead.resize(maxScreenshotsPerRun);

    // One recognition per core: each worker borrows its own engine.
    const TextExtractor* reader = readerPool ? readerPool->isolating(readers.screenshots) : readers.screenshots;
    ReadingPass pass{{reader}, std::max(1u, std::thread::hardware_concurrency()), budget, nullptr,
                     budget.ocrTimeout, readers.fileSystem};
    std::vector<FileReading> readings = pass.run(toRead, progress, stop);

    std::vector<ContentInsight> proposals;
    for (size_t i = 0; i < toRead.size(); ++i) {
        const FileRecord& record = toRead[i];
        const FileReading& reading = readings[i];
        // A stopped or timed-out reading is no answer, and an undated file can't be remembered.
        if (reading.outcome == FileReading::Outcome::notRead || reading.outcome == FileReading::Outcome::timedOut) continue;
        if (!record.modified()) continue;
        std::optional<ContentInsight> proposal;
        if (reading.sample) {
            auto description = ScreenshotDescriber::describeScreenshotText(reading.sample->lines).phrase;
            if (description && !description->empty()) {
                std::string name = screenshotRename(record, platform::text::validUTF8(*description));
                if (name != record.url().lastPathComponent()) proposal = renameInsight(record, std::move(name));
            }
        }
        AnalysisCache::Entry entry;
        entry.size = record.size();
        entry.mtime = *record.modified();
        entry.insight = proposal;
        entry.lastSeen = Date::now();
        cache->store(std::move(entry), record.url());
        if (proposal) proposals.push_back(std::move(*proposal));
    }
    cache->saveIfDirty();
    proposals.insert(proposals.end(), cached.begin(), cached.end());
    return proposals;
}

std::string RecognitionPipeline::screenshotRename(const FileRecord& record, const std::string& description) {
    static const platform::text::Regex datePattern(R"((20\d{2}-\d{2}-\d{2}))");
    const std::string fileName = record.url().lastPathComponent();
    std::string dateText;
    if (auto match = datePattern.firstMatch(path::stem(fileName))) {
        dateText = match->text;
    } else if (record.created()) {
        dateText = localDayText(*record.created()).value_or("");
    }
    std::string name = "Screenshot - " + description;
    if (!dateText.empty()) name += " (" + dateText + ")";
    return name + "." + path::extension(fileName);
}

}  // namespace ordane
