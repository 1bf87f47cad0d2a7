#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdanePlatform/Images/RgbaImage.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// Short PDFs without a text layer (scans): the first pages are drawn and their text recognised.
class ScannedPDFOCRExtractor : public TextExtractor {
public:
    static constexpr int64_t maxFileSize = 20'000'000;  // bytes
    static constexpr int64_t maxDocumentPages = 10;      // longer documents give nothing
    static constexpr int64_t pagesRendered = 2;
    static constexpr double renderScale = 2;             // each point becomes 2 × 2 pixels
    static constexpr size_t minimumCharacters = 50;

    struct RenderedPages {
        std::vector<platform::RgbaImage> images;
        int64_t pageCount = 0;
    };

    bool canHandle(const FileRecord& record) const override;
    // Renders within perFileTimeout, then recognises each page in its language (LanguageAwareOCR)
    // within ocrTimeout (a page whose recognition fails or runs out of time adds nothing). The page texts joined with "\n", cut
    // to maxCharacters; `truncated` when the document has more pages than were rendered. Nothing
    // with fewer than 50 characters.
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop = {}) const override;

    // The first pages drawn on white at renderScale, with the document's page count. Nothing for
    // an unreadable or locked document, one of more than 10 pages, no drawable page, or a reached
    // deadline (checked before each page). A page whose bitmap would exceed
    // RgbaImage::maxPixels is skipped.
    static std::optional<RenderedPages> renderPages(const URL& url,
                                                    const platform::Deadline& deadline = platform::Deadline());
};

}  // namespace ordane
