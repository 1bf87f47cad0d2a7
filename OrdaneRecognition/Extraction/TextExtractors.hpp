#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane {

// The shared, stateless extractors and the extension sets the pipeline picks files by.
class TextExtractors {
public:
    // The five extractors in the order a document tries them: PDF text, image text, scanned PDF,
    // plain text, rich text. The first whose canHandle takes a record reads it; a PDF that gives
    // no sample from the PDF text extractor goes on to the scanned-PDF one.
    static const std::vector<const TextExtractor*>& all();
    // The extractors that take the record, in the order above.
    static std::vector<const TextExtractor*> forRecord(const FileRecord& record);
    // The shared extractors by name ("pdfText", "imageText", "scannedPDF", "plainText",
    // "richText"), as reader processes are told which one to use; nothing for another name, or
    // for an extractor that is not one of the shared ones.
    static const TextExtractor* named(std::string_view name);
    static std::optional<std::string_view> nameOf(const TextExtractor* extractor);

    // Extensions whose text is read for recognition: pdf, txt, md, text, rtf, docx.
    static const std::set<std::string>& documentExtensions();
    // Extensions considered for screenshot description: png, jpg, jpeg, heic.
    static const std::set<std::string>& screenshotImageExtensions();
};

}  // namespace ordane
