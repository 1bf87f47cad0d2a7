#include "Support/DocumentFixtures.hpp"

#include <allheaders.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <libheif/heif.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "OrdanePlatform/Text/Text.hpp"
#include "Support/Command.hpp"
#include "Support/SeededRandom.hpp"
#include "Support/TempDir.hpp"

namespace ordane::testing {

namespace {

constexpr const char* fontFamily = "DejaVu Sans";

void check(cairo_status_t status, const std::string& what) {
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(what + ": " + cairo_status_to_string(status));
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

Surface makeSurface(cairo_surface_t* surface) { return Surface(surface, &cairo_surface_destroy); }
Context makeContext(cairo_surface_t* surface) { return Context(cairo_create(surface), &cairo_destroy); }

void setFont(cairo_t* cr, double size, bool bold) {
    cairo_select_font_face(cr, fontFamily, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

// Draws the lines of one page from the top margin down, in units of the context.
void drawPageLines(cairo_t* cr, const PageLines& lines, const PdfLayout& layout) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    setFont(cr, layout.fontSize, false);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    double baseline = layout.margin + extents.ascent;
    for (const std::string& line : lines) {
        cairo_move_to(cr, layout.margin, baseline);
        cairo_show_text(cr, line.c_str());
        baseline += layout.fontSize * layout.lineSpacing;
    }
}

void writeImagePdfPage(cairo_t* cr, const PageLines& lines, const PdfLayout& layout) {
    constexpr double pixelsPerPoint = 2;
    auto picture = makeSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24,
                                                          static_cast<int>(layout.pageWidth * pixelsPerPoint),
                                                          static_cast<int>(layout.pageHeight * pixelsPerPoint)));
    auto painter = makeContext(picture.get());
    cairo_set_source_rgb(painter.get(), 1, 1, 1);
    cairo_paint(painter.get());
    cairo_scale(painter.get(), pixelsPerPoint, pixelsPerPoint);
    drawPageLines(painter.get(), lines, layout);
    cairo_surface_flush(picture.get());

    cairo_save(cr);
    cairo_scale(cr, 1 / pixelsPerPoint, 1 / pixelsPerPoint);
    cairo_set_source_surface(cr, picture.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

void writePdf(const std::string& path, const std::vector<PageLines>& pages, const PdfLayout& layout, bool asPictures,
              const PdfProperties& properties = {}) {
    auto surface = makeSurface(cairo_pdf_surface_create(path.c_str(), layout.pageWidth, layout.pageHeight));
    const std::pair<cairo_pdf_metadata_t, const std::string*> entries[] = {
        {CAIRO_PDF_METADATA_TITLE, &properties.title},
        {CAIRO_PDF_METADATA_AUTHOR, &properties.author},
        {CAIRO_PDF_METADATA_CREATOR, &properties.creator}};
    for (const auto& [entry, value] : entries) {
        if (!value->empty()) cairo_pdf_surface_set_metadata(surface.get(), entry, value->c_str());
    }
    auto cr = makeContext(surface.get());
    for (const PageLines& lines : pages) {
        if (asPictures) {
            writeImagePdfPage(cr.get(), lines, layout);
        } else {
            drawPageLines(cr.get(), lines, layout);
        }
        cairo_show_page(cr.get());
    }
    check(cairo_status(cr.get()), "drawing " + path);
    cairo_surface_finish(surface.get());
    check(cairo_surface_status(surface.get()), "writing " + path);
}

Surface drawScreenshot(const Screenshot& screenshot) {
    auto surface = makeSurface(cairo_image_surface_create(
        screenshot.transparentBackground ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, screenshot.width, screenshot.height));
    auto cr = makeContext(surface.get());
    if (!screenshot.transparentBackground) {
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
    }
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    for (const PlacedText& line : screenshot.lines) {
        setFont(cr.get(), line.size, line.bold);
        cairo_font_extents_t extents;
        cairo_font_extents(cr.get(), &extents);
        cairo_move_to(cr.get(), line.x, line.y + extents.ascent);
        cairo_show_text(cr.get(), line.text.c_str());
    }
    check(cairo_status(cr.get()), "drawing a screenshot");
    cairo_surface_flush(surface.get());
    return surface;
}

double unitRandom(SeededRandom& random) { return static_cast<double>(random.below(1'000'000)) / 1'000'000; }

void setRandomColour(cairo_t* cr, SeededRandom& random, double alpha = 1) {
    cairo_set_source_rgba(cr, unitRandom(random), unitRandom(random), unitRandom(random), alpha);
}

void paintGradient(cairo_t* cr, SeededRandom& random, int width, int height) {
    using Pattern = std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)>;
    Pattern ramp(cairo_pattern_create_linear(unitRandom(random) * width, 0, unitRandom(random) * width, height),
                 &cairo_pattern_destroy);
    for (double stop : {0.0, 0.4, 0.7, 1.0}) {
        cairo_pattern_add_color_stop_rgb(ramp.get(), stop, unitRandom(random), unitRandom(random), unitRandom(random));
    }
    cairo_set_source(cr, ramp.get());
    cairo_paint(cr);
}

// Soft random blotches, many small ones over fewer big ones.
void paintTexture(cairo_t* cr, SeededRandom& random, int width, int height) {
    for (double radius = width / 8.0; radius >= 2; radius /= 2) {
        const int count = static_cast<int>(std::min(4000.0, 0.5 * width * height / (radius * radius)));
        for (int i = 0; i < count; ++i) {
            setRandomColour(cr, random, 0.35);
            cairo_arc(cr, unitRandom(random) * width, unitRandom(random) * height, radius * (0.5 + unitRandom(random)), 0,
                      2 * M_PI);
            cairo_fill(cr);
        }
    }
}

void paintShapes(cairo_t* cr, SeededRandom& random, int width, int height) {
    for (int i = 0; i < 300; ++i) {
        setRandomColour(cr, random, 0.4 + unitRandom(random) * 0.6);
        const double x = unitRandom(random) * width;
        const double y = unitRandom(random) * height;
        const double size = 3 + unitRandom(random) * width / 6;
        switch (random.below(3)) {
            case 0: cairo_arc(cr, x, y, size / 2, 0, 2 * M_PI); cairo_fill(cr); break;
            case 1: cairo_rectangle(cr, x, y, size, size * (0.2 + unitRandom(random))); cairo_fill(cr); break;
            default:
                cairo_set_line_width(cr, 1 + unitRandom(random) * 4);
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + (unitRandom(random) - 0.5) * size, y + (unitRandom(random) - 0.5) * size);
                cairo_stroke(cr);
        }
    }
}

void paintNoise(cairo_surface_t* surface, SeededRandom& random) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int row = 0; row < cairo_image_surface_get_height(surface); ++row) {
        auto* pixel = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(row) * stride);
        for (int column = 0; column < cairo_image_surface_get_width(surface); ++column) {
            pixel[column] = static_cast<uint32_t>(random.next()) | 0xFF000000u;
        }
    }
    cairo_surface_mark_dirty(surface);
}

std::string bigEndian32(uint32_t value) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

uint32_t checksum(const std::string& bytes) {
    return static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string docxRuns(const std::string& paragraph) {
    std::string runs;
    std::string pending;
    auto flush = [&] {
        if (!pending.empty()) runs += "<w:r><w:t xml:space=\"preserve\">" + xmlEscaped(pending) + "</w:t></w:r>";
        pending.clear();
    };
    for (char c : paragraph) {
        if (c == '\n' || c == '\t') {
            flush();
            runs += c == '\n' ? "<w:r><w:br/></w:r>" : "<w:r><w:tab/></w:r>";
        } else {
            pending += c;
        }
    }
    flush();
    return runs;
}

}  // namespace

void writeTextPdf(const std::string& path, const std::vector<PageLines>& pages, const PdfLayout& layout,
                  const PdfProperties& properties) {
    writePdf(path, pages, layout, false, properties);
}

void writeScannedPdf(const std::string& path, const std::vector<PageLines>& pages, const PdfLayout& layout) {
    writePdf(path, pages, layout, true);
}

void writeLockedPdf(const std::string& path, const std::vector<PageLines>& pages) {
    TempDir scratch;
    const std::string open = scratch / "open.pdf";
    writeTextPdf(open, pages);
    CommandResult result = runCommand({"qpdf", "--encrypt", "user-secret", "owner-secret", "256", "--", open, path},
                                      {"PATH=/usr/bin:/bin", "LANG=C.UTF-8"});
    if (result.exitCode != 0) throw std::runtime_error("qpdf could not encrypt: " + result.output);
}

std::vector<PageLines> numberedPages(int count) {
    std::vector<PageLines> pages;
    for (int page = 1; page <= count; ++page) {
        std::string number = std::to_string(page);
        pages.push_back({"Page " + number + " of " + std::to_string(count), "Quarterly report section " + number,
                         "The figures on this page belong to part " + number + "."});
    }
    return pages;
}

NormalisedBox normalisedBox(const Screenshot& screenshot, const PlacedText& line) {
    return {line.x / screenshot.width, line.y / screenshot.height, line.size / screenshot.height};
}

std::vector<PlacedText> wordsInRow(const std::vector<std::string>& words, double x, double y, double size,
                                   double gapInEms) {
    auto surface = makeSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    auto cr = makeContext(surface.get());
    setFont(cr.get(), size, false);
    std::vector<PlacedText> row;
    for (const std::string& word : words) {
        row.push_back({word, x, y, size});
        cairo_text_extents_t extents;
        cairo_text_extents(cr.get(), word.c_str(), &extents);
        x += extents.x_advance + gapInEms * size;
    }
    return row;
}

void writeScreenshotPng(const std::string& path, const Screenshot& screenshot) {
    Surface surface = drawScreenshot(screenshot);
    check(cairo_surface_write_to_png(surface.get(), path.c_str()), "writing " + path);
}

void writePhotoLikePng(const std::string& path, PhotoLike kind, uint64_t seed, int width, int height) {
    auto surface = makeSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    auto cr = makeContext(surface.get());
    SeededRandom random{seed | 1};
    switch (kind) {
        case PhotoLike::noise: paintNoise(surface.get(), random); break;
        case PhotoLike::gradient: paintGradient(cr.get(), random, width, height); break;
        case PhotoLike::texture:
            paintGradient(cr.get(), random, width, height);
            paintTexture(cr.get(), random, width, height);
            break;
        case PhotoLike::shapes:
            paintGradient(cr.get(), random, width, height);
            paintShapes(cr.get(), random, width, height);
            break;
    }
    check(cairo_status(cr.get()), "drawing a picture");
    check(cairo_surface_write_to_png(surface.get(), path.c_str()), "writing " + path);
}

void writeScreenshotJpeg(const std::string& path, const Screenshot& screenshot) {
    Surface surface = drawScreenshot(screenshot);
    const int width = cairo_image_surface_get_width(surface.get());
    const int height = cairo_image_surface_get_height(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    PIX* pix = pixCreate(width, height, 32);
    if (!pix) throw std::runtime_error("no memory for " + path);
    for (int row = 0; row < height; ++row) {
        const auto* source = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(row) * stride);
        l_uint32* target = pixGetData(pix) + static_cast<ptrdiff_t>(row) * pixGetWpl(pix);
        for (int column = 0; column < width; ++column) target[column] = (source[column] << 8) | 0xFFu;  // 0xRRGGBBAA
    }
    int failed = pixWriteJpeg(path.c_str(), pix, 92, 0);
    pixDestroy(&pix);
    if (failed) throw std::runtime_error("could not write " + path);
}

bool writeScreenshotHeic(const std::string& path, const Screenshot& screenshot) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) return false;
    Surface surface = drawScreenshot(screenshot);
    const int width = cairo_image_surface_get_width(surface.get());
    const int height = cairo_image_surface_get_height(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());

    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), &heif_context_free);
    heif_image* rawImage = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &rawImage).code != heif_error_Ok) {
        throw std::runtime_error("heif_image_create");
    }
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, &heif_image_release);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8).code != heif_error_Ok) {
        throw std::runtime_error("heif_image_add_plane");
    }
    int planeStride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &planeStride);
    for (int row = 0; row < height; ++row) {
        const auto* source = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(row) * stride);
        uint8_t* target = plane + static_cast<ptrdiff_t>(row) * planeStride;
        for (int column = 0; column < width; ++column) {
            target[3 * column] = static_cast<uint8_t>(source[column] >> 16);
            target[3 * column + 1] = static_cast<uint8_t>(source[column] >> 8);
            target[3 * column + 2] = static_cast<uint8_t>(source[column]);
        }
    }
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder).code != heif_error_Ok) {
        return false;
    }
    heif_encoder_set_lossy_quality(encoder, 90);
    const bool encoded = heif_context_encode_image(context.get(), image.get(), encoder, nullptr, nullptr).code == heif_error_Ok;
    heif_encoder_release(encoder);
    if (!encoded || heif_context_write_to_file(context.get(), path.c_str()).code != heif_error_Ok) {
        throw std::runtime_error("could not write " + path);
    }
    return true;
}

std::string pngChunk(const std::string& type, const std::string& data) {
    return bigEndian32(static_cast<uint32_t>(data.size())) + type + data + bigEndian32(checksum(type + data));
}

void insertPngChunks(const std::string& path, const std::string& chunks) {
    std::string png = readFile(path);
    constexpr size_t afterHeader = 8 + 25;  // signature, then IHDR (4 + 4 + 13 + 4)
    if (png.size() < afterHeader) throw std::runtime_error("not a PNG: " + path);
    png.insert(afterHeader, chunks);
    writeFile(path, png);
}

void addPngTextChunks(const std::string& path, const std::vector<std::pair<std::string, std::string>>& chunks) {
    std::string inserted;
    for (const auto& [keyword, text] : chunks) inserted += pngChunk("tEXt", keyword + std::string(1, '\0') + text);
    insertPngChunks(path, inserted);
}

std::string pngInternationalText(const std::string& keyword, const std::string& text) {
    // keyword, then no compression, no method, no language tag, no translated keyword
    return pngChunk("iTXt", keyword + std::string(5, '\0') + text);
}

std::string pngCompressedInternationalText(const std::string& keyword, const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string deflated(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib");
    }
    deflated.resize(size);
    // keyword, then compressed with deflate, no language tag, no translated keyword
    return pngChunk("iTXt", keyword + std::string("\0\1\0\0\0", 5) + deflated);
}

std::string exifBlock(const ExifFields& fields) {
    auto number = [&](uint32_t value, int size) {
        std::string out;
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (fields.bigEndian ? size - 1 - i : i);
            out += static_cast<char>((value >> shift) & 0xFF);
        }
        return out;
    };
    struct Entry {
        uint16_t tag, type;
        std::string value;  // ASCII text with its NUL, undefined bytes, or a LONG
    };
    std::vector<Entry> first{{0x010F, 2, std::string("Generated", 10)}};
    if (!fields.software.empty()) first.push_back({0x0131, 2, fields.software + '\0'});
    if (!fields.artist.empty()) first.push_back({0x013B, 2, fields.artist + '\0'});
    std::vector<Entry> exif;
    if (!fields.userComment.empty()) {
        first.push_back({0x8769, 4, {}});  // its offset is known once the directories are laid out
        exif.push_back({0x9286, 7, std::string("ASCII\0\0\0", 8) + fields.userComment});
    }
    std::vector<Entry> thumbnail;
    if (fields.thumbnailBytes > 0) thumbnail = {{0x0201, 4, {}}, {0x0202, 4, number(uint32_t(fields.thumbnailBytes), 4)}};

    auto directorySize = [](const std::vector<Entry>& entries) { return entries.empty() ? 0 : 2 + 12 * entries.size() + 4; };
    const size_t firstAt = 8, exifAt = firstAt + directorySize(first), thumbnailAt = exifAt + directorySize(exif);
    size_t dataAt = thumbnailAt + directorySize(thumbnail);
    std::string data;
    auto directory = [&](std::vector<Entry>& entries, size_t next) {
        std::string out = number(uint32_t(entries.size()), 2);
        for (Entry& entry : entries) {
            if (entry.tag == 0x8769) entry.value = number(uint32_t(exifAt), 4);
            if (entry.tag == 0x0201) entry.value = number(uint32_t(dataAt + data.size()), 4);  // the thumbnail goes last
            const size_t count = entry.type == 4 ? 1 : entry.value.size();
            out += number(entry.tag, 2) + number(entry.type, 2) + number(uint32_t(count), 4);
            if (entry.value.size() <= 4) {
                out += entry.value + std::string(4 - entry.value.size(), '\0');
            } else {
                out += number(uint32_t(dataAt + data.size()), 4);
                data += entry.value;
            }
        }
        return out + number(uint32_t(next), 4);
    };
    std::string block = (fields.bigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4)) + number(8, 4);
    block += directory(first, thumbnail.empty() ? 0 : thumbnailAt);
    if (!exif.empty()) block += directory(exif, 0);
    if (!thumbnail.empty()) block += directory(thumbnail, 0);
    return block + data + std::string(fields.thumbnailBytes, '\x55');
}

std::string xmpPacket(const std::vector<std::pair<std::string, std::string>>& properties) {
    std::string packet =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
        "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
        "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\">\n";
    for (const auto& [name, value] : properties) packet += "<" + name + ">" + value + "</" + name + ">\n";
    return packet + "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

std::string jpegSegment(unsigned char marker, const std::string& payload) {
    const auto length = static_cast<uint32_t>(payload.size() + 2);
    if (length > 0xFFFF) throw std::runtime_error("a JPEG segment holds at most 65533 bytes");
    return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} +
           payload;
}

void insertJpegSegments(const std::string& path, const std::string& segments) {
    std::string jpeg = readFile(path);
    if (!jpeg.starts_with("\xFF\xD8")) throw std::runtime_error("not a JPEG: " + path);
    jpeg.insert(2, segments);
    writeFile(path, jpeg);
}

std::string blankPng(int width, int height) {
    std::string header = bigEndian32(static_cast<uint32_t>(width)) + bigEndian32(static_cast<uint32_t>(height));
    header += std::string{1, 0, 0, 0, 0};  // 1-bit greyscale, deflate, no filter, no interlace
    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK) throw std::runtime_error("zlib");
    const std::string row(1 + (static_cast<size_t>(width) + 7) / 8, '\0');  // filter byte, then the bits
    std::string compressed;
    char buffer[64 * 1024];
    for (int y = 0; y <= height; ++y) {
        const bool last = y == height;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int status = Z_OK;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&stream);
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", compressed) +
           pngChunk("IEND", "");
}

void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("could not create " + path);
    for (const auto& [name, contents] : members) {
        // The buffers live in `members` until zip_close has written them.
        zip_source_t* source = zip_source_buffer(archive, contents.data(), contents.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            if (source) zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("could not add " + name + " to " + path);
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("could not write " + path);
    }
}

void writeDocx(const std::string& path, const std::vector<std::string>& paragraphs, const DocxProperties& properties,
               const std::string& headerText) {
    const std::string wordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    const std::string relNamespace = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string body;
    for (const std::string& paragraph : paragraphs) body += "<w:p>" + docxRuns(paragraph) + "</w:p>";
    std::string section = headerText.empty() ? "" : "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdHeader\"/></w:sectPr>";
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document xmlns:w=\"" +
                           wordNamespace + "\" xmlns:r=\"" + relNamespace + "\"><w:body>" + body + section +
                           "</w:body></w:document>";

    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/docProps/core.xml\" "
        "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
        "<Override PartName=\"/docProps/app.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
        "</Types>";
    std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
        "Target=\"docProps/core.xml\"/>"
        "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" "
        "Target=\"docProps/app.xml\"/>"
        "</Relationships>";
    std::string core =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">";
    if (!properties.title.empty()) core += "<dc:title>" + xmlEscaped(properties.title) + "</dc:title>";
    if (!properties.creator.empty()) core += "<dc:creator>" + xmlEscaped(properties.creator) + "</dc:creator>";
    core += "</cp:coreProperties>";
    std::string app =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">";
    if (!properties.application.empty()) app += "<Application>" + xmlEscaped(properties.application) + "</Application>";
    app += "</Properties>";

    std::vector<std::pair<std::string, std::string>> members{{"[Content_Types].xml", types},
                                                             {"_rels/.rels", rels},
                                                             {"word/document.xml", document},
                                                             {"docProps/core.xml", core},
                                                             {"docProps/app.xml", app}};
    if (!headerText.empty()) {
        members.push_back({"word/header1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<w:hdr xmlns:w=\"" +
                                                   wordNamespace + "\"><w:p>" + docxRuns(headerText) + "</w:p></w:hdr>"});
        members.push_back(
            {"word/_rels/document.xml.rels",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rIdHeader\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
             "Target=\"header1.xml\"/></Relationships>"});
    }
    writeZip(path, members);
}

std::string rtfDocument(const std::vector<std::string>& paragraphs) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1\\froman Times;}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;}\n"
        "{\\info{\\title Fixture}{\\author Tester}}\n"
        "\\pard\\f0\\fs24 ";
    bool first = true;
    for (const std::string& paragraph : paragraphs) {
        if (!first) rtf += "\\par\n";
        first = false;
        for (char32_t c : platform::text::codePoints(paragraph)) {
            if (c == '\\' || c == '{' || c == '}') {
                rtf += '\\';
                rtf += static_cast<char>(c);
            } else if (c == '\n') {
                rtf += "\\line ";
            } else if (c == '\t') {
                rtf += "\\tab ";
            } else if (c < 0x80) {
                rtf += static_cast<char>(c);
            } else if (c >= 0xA0 && c <= 0xFF) {  // Windows-1252 agrees with Latin 1 here
                const char* digits = "0123456789abcdef";
                rtf += "\\'";
                rtf += digits[c >> 4];
                rtf += digits[c & 0xF];
            } else {
                auto unit = [&](uint32_t value) { rtf += "\\u" + std::to_string(static_cast<int16_t>(value)) + "?"; };
                if (c > 0xFFFF) {
                    unit(0xD800 + ((c - 0x10000) >> 10));
                    unit(0xDC00 + ((c - 0x10000) & 0x3FF));
                } else {
                    unit(c);
                }
            }
        }
    }
    rtf += "\\par\n}\n";
    return rtf;
}

}  // namespace ordane::testing
