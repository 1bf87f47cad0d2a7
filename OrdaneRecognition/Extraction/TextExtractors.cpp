#include "OrdaneRecognition/Extraction/TextExtractors.hpp"

#include <array>

#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/PDFTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/PlainTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/RichTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"

namespace ordane {

namespace {

struct NamedExtractor {
    std::string_view name;
    const TextExtractor* extractor;
};

// In the order of `all()`.
const std::array<NamedExtractor, 5>& namedExtractors() {
    static const PDFTextExtractor pdfText;
    static const ImageOCRExtractor imageText;
    static const ScannedPDFOCRExtractor scannedPDF;
    static const PlainTextExtractor plainText;
    static const RichTextExtractor richText;
    static const std::array<NamedExtractor, 5> extractors{{{"pdfText", &pdfText},
                                                           {"imageText", &imageText},
                                                           {"scannedPDF", &scannedPDF},
                                                           {"plainText", &plainText},
                                                           {"richText", &richText}}};
    return extractors;
}

}  // namespace

const std::vector<const TextExtractor*>& TextExtractors::all() {
    static const std::vector<const TextExtractor*> extractors = [] {
        std::vector<const TextExtractor*> list;
        for (const NamedExtractor& named : namedExtractors()) list.push_back(named.extractor);
        return list;
    }();
    return extractors;
}

const TextExtractor* TextExtractors::named(std::string_view name) {
    for (const NamedExtractor& named : namedExtractors()) {
        if (named.name == name) return named.extractor;
    }
    return nullptr;
}

std::optional<std::string_view> TextExtractors::nameOf(const TextExtractor* extractor) {
    for (const NamedExtractor& named : namedExtractors()) {
        if (named.extractor == extractor) return named.name;
    }
    return std::nullopt;
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
