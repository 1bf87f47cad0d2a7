#include "OrdanePlatform/Pdf/PdfDocument.hpp"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>

namespace ordane::platform {

namespace {

// poppler reports damaged files on standard error; a damaged file is an ordinary result here.
void silencePoppler() {
    static std::once_flag once;
    std::call_once(once, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });
}

std::string utf8(const poppler::ustring& text) {
    poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

std::optional<std::string> nonBlank(std::string text) {
    bool blank = std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    if (blank) return std::nullopt;
    return text;
}

}  // namespace

PdfDocument::PdfDocument(std::unique_ptr<poppler::document> document) : document_(std::move(document)) {}

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const std::string& path) {
    silencePoppler();
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
    if (!document) return nullptr;
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(document)));
}

bool PdfDocument::isLocked() const { return document_->is_locked(); }

int64_t PdfDocument::pageCount() const {
    if (isLocked()) return 0;
    return std::max(document_->pages(), 0);
}

std::optional<std::string> PdfDocument::pageText(int64_t index) const {
    if (index < 0 || index >= pageCount()) return std::nullopt;
    std::unique_ptr<poppler::page> page(document_->create_page(static_cast<int>(index)));
    if (!page) return std::nullopt;
    std::string text = utf8(page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout));
    text.erase(std::remove(text.begin(), text.end(), '\f'), text.end());
    return text;
}

std::optional<RgbaImage> PdfDocument::renderPage(int64_t index, double scale) const {
    if (index < 0 || index >= pageCount() || !(scale > 0)) return std::nullopt;
    std::unique_ptr<poppler::page> page(document_->create_page(static_cast<int>(index)));
    if (!page) return std::nullopt;
    // The renderer draws the crop box (which is the media box unless the file says otherwise).
    const poppler::rectf box = page->page_rect(poppler::crop_box);
    const double width = std::floor(box.width() * scale);
    const double height = std::floor(box.height() * scale);
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1 ||
        width > static_cast<double>(RgbaImage::maxPixels) || height > static_cast<double>(RgbaImage::maxPixels) ||
        !RgbaImage::sizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height))) {
        return std::nullopt;
    }

    poppler::page_renderer renderer;
    renderer.set_paper_color(0xFFFFFFFF);
    renderer.set_image_format(poppler::image::format_argb32);
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    poppler::image drawn = renderer.render_page(page.get(), 72.0 * scale, 72.0 * scale);
    if (!drawn.is_valid() || drawn.format() != poppler::image::format_argb32 || drawn.width() < 1 ||
        drawn.height() < 1 || !RgbaImage::sizeAllowed(drawn.width(), drawn.height())) {
        return std::nullopt;
    }

    RgbaImage image;
    image.width = drawn.width();
    image.height = drawn.height();
    image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    const char* data = drawn.const_data();
    uint8_t* out = image.pixels.data();
    for (int row = 0; row < image.height; ++row) {
        const char* line = data + static_cast<ptrdiff_t>(row) * drawn.bytes_per_row();
        for (int column = 0; column < image.width; ++column) {
            uint32_t pixel;  // premultiplied 0xAARRGGBB in native order; opaque on the white paper
            std::memcpy(&pixel, line + static_cast<ptrdiff_t>(column) * 4, 4);
            *out++ = static_cast<uint8_t>(pixel >> 16);
            *out++ = static_cast<uint8_t>(pixel >> 8);
            *out++ = static_cast<uint8_t>(pixel);
            *out++ = 0xFF;
        }
    }
    return image;
}

std::optional<std::string> PdfDocument::title() const {
    if (isLocked()) return std::nullopt;
    return nonBlank(utf8(document_->get_title()));
}

std::optional<std::string> PdfDocument::author() const {
    if (isLocked()) return std::nullopt;
    return nonBlank(utf8(document_->get_author()));
}

std::optional<std::string> PdfDocument::creator() const {
    if (isLocked()) return std::nullopt;
    return nonBlank(utf8(document_->get_creator()));
}

}  // namespace ordane::platform
