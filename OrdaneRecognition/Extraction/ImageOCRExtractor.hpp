#pragma once

#include <vector>

#include "OrdaneCore/Model/TextLine.hpp"
#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"
#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// Text lines with their positions recognised in a PNG, JPEG or HEIC picture. The pipeline also
// calls recognizeText directly for screenshots.
class ImageOCRExtractor : public TextExtractor {
public:
    bool canHandle(const FileRecord& record) const override;
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop = {}) const override;

    // Reads the picture and recognises its lines in their language (LanguageAwareOCR) within
    // ocrTimeout (no page or character limit); a reading that finished in time is kept even when
    // a second one, in the text's language, ran past it.
    // The lines read top to bottom, and left to right where their tops lie within 0.01 of each
    // other; the text is their strings joined with "\n". Nothing for an unreadable picture, one
    // without text, or a time out. Throws CancellationError when `stop` is requested.
    static std::optional<ContentSample> recognizeText(const FileRecord& record, const ExtractionBudget& budget,
                                                      std::stop_token stop = {},
                                                      const LanguageAwareOCR::Recognizer& recognizer =
                                                          LanguageAwareOCR::Recognizer::tesseract());

    // The reading order above, stable for lines the test cannot tell apart.
    static void sortInReadingOrder(std::vector<TextLine>& lines);
};

}  // namespace ordane
