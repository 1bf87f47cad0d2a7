#pragma once

#include <cstdint>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// The text layer of a PDF's first pages. Takes every "pdf"; a PDF without usable text gives
// nothing here and may go to ScannedPDFOCRExtractor next.
class PDFTextExtractor : public TextExtractor {
public:
    bool canHandle(const FileRecord& record) const override;
    // extractText with the budget's page and character limits, within perFileTimeout.
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop = {}) const override;

    // The first `maxPages` pages' text, each followed by "\n", cut to `maxCharacters` characters;
    // reading stops at the first page that brings the text to the limit. `truncated` when
    // characters were cut or pages left unread. Nothing for an unreadable, locked or blank
    // document, or when the deadline is reached (checked before each page).
    static std::optional<ContentSample> extractText(const URL& url, int64_t maxPages, int64_t maxCharacters,
                                                    const platform::Deadline& deadline = platform::Deadline());
};

}  // namespace ordane
