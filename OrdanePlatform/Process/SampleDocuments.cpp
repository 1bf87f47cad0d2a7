#include "OrdanePlatform/Process/SampleDocuments.hpp"

#include <allheaders.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace ordane::platform::sampleDocuments {

namespace {

// A 5 × 7 pixel font of the capital letters, one row a byte, the leftmost pixel the highest bit.
constexpr std::array<std::array<uint8_t, 7>, 26> capitals{{
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},
    {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},
}};

// Each font pixel is scale × scale; letters are 7 font pixels apart, lines 12, with a margin of 8.
constexpr int scale = 3;
constexpr int advance = 7, lineHeight = 12, margin = 8;

// Gray pixels, 0 black, 255 white, row after row from the top.
struct GrayPicture {
    int width = 0, height = 0;
    std::string pixels;
};

GrayPicture draw(const std::vector<std::string>& lines) {
    size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    GrayPicture picture;
    picture.width = (2 * margin + advance * int(longest)) * scale;
    picture.height = (2 * margin + lineHeight * int(lines.size())) * scale;
    picture.pixels.assign(size_t(picture.width) * size_t(picture.height), char(255));
    for (size_t row = 0; row < lines.size(); ++row) {
        for (size_t column = 0; column < lines[row].size(); ++column) {
            const char letter = lines[row][column];
            if (letter < 'A' || letter > 'Z') continue;  // a space
            const auto& glyph = capitals[size_t(letter - 'A')];
            for (int y = 0; y < 7 * scale; ++y) {
                for (int x = 0; x < 5 * scale; ++x) {
                    if (!(glyph[size_t(y / scale)] & (0x10 >> (x / scale)))) continue;
                    const int px = (margin + advance * int(column)) * scale + x;
                    const int py = (margin + lineHeight * int(row)) * scale + y;
                    picture.pixels[size_t(py) * size_t(picture.width) + size_t(px)] = 0;
                }
            }
        }
    }
    return picture;
}

// A PDF of the given objects (numbered from 1, the first the catalogue), with its cross-reference table.
std::string pdf(const std::vector<std::string>& objects) {
    std::string out = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t table = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        std::string number = std::to_string(offset);
        out += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(table) + "\n%%EOF\n";
    return out;
}

std::string stream(const std::string& dictionary, const std::string& bytes) {
    return "<< " + dictionary + " /Length " + std::to_string(bytes.size()) + " >>\nstream\n" + bytes + "\nendstream";
}

std::string onePage(int width, int height, const std::string& resources, const std::string& content,
                    std::vector<std::string> more = {}) {
    std::vector<std::string> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " + std::to_string(height) +
            "] /Resources << " + resources + " >> /Contents 4 0 R >>",
        stream("", content)};
    objects.insert(objects.end(), more.begin(), more.end());
    return pdf(objects);
}

std::string deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  bytes.size(), Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("compress2");
    }
    out.resize(size);
    return out;
}

void little(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string pdfWithText(std::string_view text) {
    return onePage(400, 60, "/Font << /F1 5 0 R >>", "BT /F1 12 Tf 20 25 Td (" + std::string(text) + ") Tj ET",
                   {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"});
}

std::string scannedPdf(const std::vector<std::string>& lines) {
    const GrayPicture picture = draw(lines);
    // One picture pixel a point: the page is drawn at twice its size before it is read.
    const std::string w = std::to_string(picture.width), h = std::to_string(picture.height);
    return onePage(picture.width, picture.height, "/XObject << /Im0 5 0 R >>", "q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q",
                   {stream("/Type /XObject /Subtype /Image /Width " + w + " /Height " + h +
                               " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                           deflated(picture.pixels))});
}

std::string png(const std::vector<std::string>& lines) {
    const GrayPicture picture = draw(lines);
    std::unique_ptr<PIX, void (*)(PIX*)> pix(pixCreate(picture.width, picture.height, 8), [](PIX* p) { pixDestroy(&p); });
    if (!pix) throw std::runtime_error("pixCreate");
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            pixSetPixel(pix.get(), x, y, static_cast<unsigned char>(picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)]));
        }
    }
    l_uint8* data = nullptr;
    size_t size = 0;
    if (pixWriteMem(&data, &size, pix.get(), IFF_PNG) != 0) throw std::runtime_error("pixWriteMem");
    std::string bytes(reinterpret_cast<const char*>(data), size);
    lept_free(data);
    return bytes;
}

std::string docx(std::string_view text) {
    const std::string name = "word/document.xml";
    const std::string body =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>)" +
        std::string(text) + "</w:t></w:r></w:p></w:body></w:document>";
    const auto crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    // One stored member: local header, data, central directory entry, end of central directory.
    auto header = [&](bool central) {
        std::string out;
        little(out, central ? 0x02014b50 : 0x04034b50, 4);
        if (central) little(out, 20, 2);  // made by
        for (uint32_t value : {20u, 0u, 0u, 0u, 0x21u}) little(out, value, 2);  // version, flags, stored, time, date
        little(out, crc, 4);
        little(out, uint32_t(body.size()), 4);
        little(out, uint32_t(body.size()), 4);
        little(out, uint32_t(name.size()), 2);
        little(out, 0, 2);  // extra
        if (central) {
            for (int i = 0; i < 3; ++i) little(out, 0, 2);  // comment, disk, internal attributes
            little(out, 0, 4);                              // external attributes
            little(out, 0, 4);                              // offset of the local header
        }
        return out + name;
    };
    std::string out = header(false) + body;
    const auto directoryOffset = uint32_t(out.size());
    const std::string directory = header(true);
    out += directory;
    little(out, 0x06054b50, 4);
    for (int i = 0; i < 2; ++i) little(out, 0, 2);  // disks
    for (int i = 0; i < 2; ++i) little(out, 1, 2);  // entries
    little(out, uint32_t(directory.size()), 4);
    little(out, directoryOffset, 4);
    little(out, 0, 2);  // comment
    return out;
}

std::string rtf(std::string_view text) {
    return R"({\rtf1\ansi\deff0{\fonttbl{\f0 Helvetica;}}\f0\fs24 )" + std::string(text) + "\\par\n}";
}

}  // namespace ordane::platform::sampleDocuments
