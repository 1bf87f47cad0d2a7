#include "OrdaneRecognition/Extraction/TextExtractors.hpp"

#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/PDFTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/PlainTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/RichTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"

namespace ordane {

const std::vector<const TextExtractor*>& TextExtractors::all() {
    static const PDFTextExtractor pdfText;
    static const ImageOCRExtractor imageText;
    static const ScannedPDFOCRExtractor scannedPDF;
    static const PlainTextExtractor plainText;
    static const RichTextExtractor richText;
    static const std::vector<const TextExtractor*> extractors{&pdfText, &imageText, &scannedPDF, &plainText, &richText};
    return extractors;
}

std::vector<const TextExtractor*> TextExtractors::forRecord(const FileRecord& record) {
    std::vector<const TextExtractor*> taking;
    for (const TextExtractor* extractor : all()) {
        if (extractor->canHandle(record)) taking.push_back(extractor);
    }
    return taking;
}

const std::set<std::string>& TextExtractors::documentExtensions() {
    static const std::set<std::string> extensions{"pdf", "txt", "md", "text", "rtf", "docx"};
    return extensions;
}

const std::set<std::string>& TextExtractors::screenshotImageExtensions() {
    static const std::set<std::string> extensions{"png", "jpg", "jpeg", "heic"};
    return extensions;
}

}  // namespace ordane
