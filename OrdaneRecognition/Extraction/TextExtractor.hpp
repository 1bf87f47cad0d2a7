#pragma once

#include <optional>
#include <stop_token>

#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneRecognition/Extraction/ExtractionBudget.hpp"

namespace ordane {

// One way of reading a little of a file's text. Implementations hold no state and may be used
// from many threads at once.
class TextExtractor {
public:
    virtual ~TextExtractor() = default;

    // Whether this extractor takes the file; decided on the record's lower-cased extension (and,
    // for one, its size).
    virtual bool canHandle(const FileRecord& record) const = 0;

    // A sample of the file's text within the budget, or nothing: every failure (unreadable file,
    // locked document, undecodable bytes, blank text, time out) gives nothing. Throws only
    // CancellationError, when `stop` is requested, so that a stopped run is not mistaken for a
    // file without text.
    virtual std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                                 std::stop_token stop = {}) const = 0;
};

}  // namespace ordane
