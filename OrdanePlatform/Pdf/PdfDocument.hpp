#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "OrdanePlatform/Images/RgbaImage.hpp"

namespace poppler {
class document;
}

namespace ordane::platform {

// One PDF document opened through poppler. A locked document (encrypted, no password given) shows
// no pages: poppler must not touch the pages of a locked document. Not for use from two threads at
// once; separate documents may be used on separate threads.
class PdfDocument {
public:
    // Nothing when the file cannot be read as a PDF (missing, truncated beyond repair, not a PDF).
    static std::unique_ptr<PdfDocument> open(const std::string& path);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    bool isLocked() const;
    // 0 for a locked document.
    int64_t pageCount() const;

    // The text of a page in reading order (poppler's non-raw, non-physical layout), without the
    // form feed that ends each page. Nothing for a locked document, an index out of range or a
    // page poppler cannot give.
    std::optional<std::string> pageText(int64_t index) const;

    // Draws a page at `scale` pixels per point (each direction) on opaque white. Nothing for a
    // locked document, an index out of range, a page whose bitmap would be under 1 pixel or over
    // RgbaImage::maxPixels, or a failed drawing.
    std::optional<RgbaImage> renderPage(int64_t index, double scale) const;

    // Fields of the document information dictionary; nothing when absent or blank.
    std::optional<std::string> title() const;
    std::optional<std::string> author() const;
    std::optional<std::string> creator() const;

private:
    explicit PdfDocument(std::unique_ptr<poppler::document> document);
    std::unique_ptr<poppler::document> document_;
};

}  // namespace ordane::platform
