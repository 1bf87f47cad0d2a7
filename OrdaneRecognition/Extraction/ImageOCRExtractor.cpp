#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"

#include <cmath>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"

namespace ordane {

namespace {

bool readsBefore(const TextLine& a, const TextLine& b) {
    if (std::abs(a.y - b.y) > 0.01) return a.y < b.y;
    return a.x < b.x;
}

}  // namespace

bool ImageOCRExtractor::canHandle(const FileRecord& record) const {
    const std::string ext = record.ext();
    return ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "heic";
}

std::optional<ContentSample> ImageOCRExtractor::extract(const FileRecord& record, const ExtractionBudget& budget,
                                                        std::stop_token stop) const {
    return recognizeText(record, budget, std::move(stop));
}

void ImageOCRExtractor::sortInReadingOrder(std::vector<TextLine>& lines) {
    // The order test is not transitive (tops 0.008 apart chain), which a library sort may not
    // be given; an insertion sort is stable and well defined with any test.
    for (size_t i = 1; i < lines.size(); ++i) {
        for (size_t j = i; j > 0 && readsBefore(lines[j], lines[j - 1]); --j) std::swap(lines[j], lines[j - 1]);
    }
}

std::optional<ContentSample> ImageOCRExtractor::recognizeText(const FileRecord& record, const ExtractionBudget& budget,
                                                              std::stop_token stop,
                                                              const LanguageAwareOCR::Recognizer& recognizer) {
    checkCancellation(stop);
    const platform::Deadline deadline = deadlineAfter(budget.ocrTimeout, stop);
    std::optional<platform::RgbaImage> image = platform::ImageReader::read(record.path());
    if (!image || deadline.reached()) return std::nullopt;
    // Kept even when the deadline has passed by now (unlike a late result of runWithTimeout): a
    // reading gives lines only when it finished in time, and the English one stands when a second
    // reading, in the text's language, ran past the deadline.
    auto recognized = LanguageAwareOCR::recognize(*image, platform::TextRecognizer::Layout::sparseText, deadline,
                                                  recognizer);
    checkCancellation(stop);
    if (!recognized || recognized->lines.empty()) return std::nullopt;

    std::vector<TextLine> lines;
    for (platform::RecognizedLine& found : recognized->lines) {
        lines.push_back({std::move(found.text), found.x, found.y, found.width, found.height, found.confidence});
    }
    sortInReadingOrder(lines);
    ContentSample sample;
    sample.source = SampleSource::ocr;
    for (const TextLine& line : lines) {
        if (!sample.text.empty()) sample.text += '\n';
        sample.text += line.string;
    }
    sample.lines = std::move(lines);
    return sample;
}

}  // namespace ordane
