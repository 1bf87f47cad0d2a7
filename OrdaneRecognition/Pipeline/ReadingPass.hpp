#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdaneRecognition/Extraction/ExtractionBudget.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

namespace ordane {

// What reading one file came to.
struct FileReading {
    enum class Outcome {
        notRead,     // stopped before or while reading, or the file changed or vanished since the scan
        timedOut,    // gave nothing after the whole time limit: no answer, so nothing to remember
        unreadable,  // no extractor got usable text out of it
        read,
    };
    Outcome outcome = Outcome::notRead;
    std::optional<ContentSample> sample;
    std::optional<Fingerprint> fingerprint;  // when a fingerprinter was given
};

// Reads a list of files through a chain of extractors, at most `width` at a time, through the
// shared bounded-parallel helper: each file is read by the first extractor that takes it and gives
// a sample. Results keep list order whatever the completion order.
struct ReadingPass {
    std::vector<const TextExtractor*> chain;
    size_t width = 1;
    ExtractionBudget budget;
    const Fingerprinter* fingerprinter = nullptr;  // samples are fingerprinted in the worker when set
    // When set, a file that gave nothing after at least this long timed out rather than being unreadable.
    std::optional<std::chrono::nanoseconds> answerlessAfter;
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    // `progress(done, total)` after every finished file, on the calling thread.
    std::vector<FileReading> run(const std::vector<FileRecord>& records,
                                 const std::function<void(int64_t, int64_t)>& progress, std::stop_token stop) const;

    // Reads one file; never throws.
    FileReading read(const FileRecord& record, std::stop_token stop) const;

    // Whether the file still is what the scan saw: a regular file of the same size and date.
    bool isUnchanged(const FileRecord& record) const;
};

}  // namespace ordane
