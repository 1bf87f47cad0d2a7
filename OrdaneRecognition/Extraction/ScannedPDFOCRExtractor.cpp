#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"

#include <algorithm>

#include "OrdanePlatform/Pdf/PdfDocument.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"

namespace ordane {

bool ScannedPDFOCRExtractor::canHandle(const FileRecord& record) const {
    return record.ext() == "pdf" && record.size() <= maxFileSize;
}

std::optional<ScannedPDFOCRExtractor::RenderedPages> ScannedPDFOCRExtractor::renderPages(
    const URL& url, const platform::Deadline& deadline) {
    std::unique_ptr<platform::PdfDocument> document = platform::PdfDocument::open(url.path());
    if (!document || document->isLocked()) return std::nullopt;
    RenderedPages rendered;
    rendered.pageCount = document->pageCount();
    if (rendered.pageCount > maxDocumentPages) return std::nullopt;
    for (int64_t index = 0; index < std::min(pagesRendered, rendered.pageCount); ++index) {
        if (deadline.reached()) return std::nullopt;
        if (auto image = document->renderPage(index, renderScale)) rendered.images.push_back(std::move(*image));
    }
    if (rendered.images.empty()) return std::nullopt;
    return rendered;
}

std::optional<ContentSample> ScannedPDFOCRExtractor::extract(const FileRecord& record, const ExtractionBudget& budget,
                                                             std::stop_token stop) const {
    std::optional<RenderedPages> rendered = runWithTimeout(
        [&](const platform::Deadline& deadline) { return renderPages(record.url(), deadline); }, budget.perFileTimeout,
        stop);
    if (!rendered) return std::nullopt;

    std::string text;
    for (const platform::RgbaImage& image : rendered->images) {
        auto reading = LanguageAwareOCR::recognize(image, platform::TextRecognizer::Layout::automatic,
                                                   deadlineAfter(budget.ocrTimeout, stop));
        checkCancellation(stop);
        if (!reading) continue;
        std::string pageText;
        for (const platform::RecognizedLine& line : reading->lines) {
            if (!pageText.empty()) pageText += '\n';
            pageText += line.text;
        }
        if (pageText.empty()) continue;
        if (!text.empty()) text += '\n';
        text += pageText;
    }
    if (platform::text::characterCount(text) < minimumCharacters) return std::nullopt;

    ContentSample sample;
    sample.text = platform::text::prefix(text, static_cast<size_t>(std::max<int64_t>(budget.maxCharacters, 0)));
    sample.source = SampleSource::ocr;
    sample.truncated = rendered->pageCount > pagesRendered;
    sample.pageCount = rendered->pageCount;
    return sample;
}

}  // namespace ordane
