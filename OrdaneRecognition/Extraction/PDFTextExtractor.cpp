#include "OrdaneRecognition/Extraction/PDFTextExtractor.hpp"

#include <algorithm>

#include "OrdanePlatform/Pdf/PdfDocument.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"

namespace ordane {

bool PDFTextExtractor::canHandle(const FileRecord& record) const { return record.ext() == "pdf"; }

std::optional<ContentSample> PDFTextExtractor::extract(const FileRecord& record, const ExtractionBudget& budget,
                                                       std::stop_token stop) const {
    return runWithTimeout(
        [&](const platform::Deadline& deadline) {
            return extractText(record.url(), budget.maxPDFPages, budget.maxCharacters, deadline);
        },
        budget.perFileTimeout, std::move(stop));
}

std::optional<ContentSample> PDFTextExtractor::extractText(const URL& url, int64_t maxPages, int64_t maxCharacters,
                                                           const platform::Deadline& deadline) {
    std::unique_ptr<platform::PdfDocument> document = platform::PdfDocument::open(url.path());
    if (!document || document->isLocked()) return std::nullopt;
    const int64_t pageCount = document->pageCount();
    const int64_t pagesToRead = std::min(maxPages, pageCount);
    const size_t limit = static_cast<size_t>(std::max<int64_t>(maxCharacters, 0));

    std::string text;
    for (int64_t index = 0; index < pagesToRead; ++index) {
        if (deadline.reached()) return std::nullopt;
        std::optional<std::string> pageText = document->pageText(index);
        if (!pageText) continue;
        text += platform::text::validUTF8(*pageText);
        text += '\n';
        if (platform::text::characterCount(text) >= limit) break;
    }
    const size_t count = platform::text::characterCount(text);
    if (count > limit) text = platform::text::prefix(text, limit);
    if (platform::text::trimming(text, &platform::text::isWhitespaceOrNewline).empty()) return std::nullopt;

    ContentSample sample;
    sample.text = std::move(text);
    sample.source = SampleSource::pdfText;
    sample.truncated = count > limit || pageCount > maxPages;
    sample.pageCount = pageCount;
    return sample;
}

}  // namespace ordane
