#include <gtest/gtest.h>
#include <unistd.h>

#include "OrdanePlatform/Metadata/ImageMetadataReader.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/ProcessIO.hpp"
#include "Support/SeededRandom.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using namespace ordane::testing;

namespace {

const std::string exifSignature("Exif\0\0", 6);
const std::string xmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);

std::string exifSegment(const ExifFields& fields) { return jpegSegment(0xE1, exifSignature + exifBlock(fields)); }
std::string xmpSegment(const std::string& packet) { return jpegSegment(0xE1, xmpSignature + packet); }
std::string alternative(const std::string& text) {
    return "<rdf:Alt><rdf:li xml:lang=\"x-default\">" + text + "</rdf:li></rdf:Alt>";
}

struct Pictures {
    TempDir dir;
    std::string jpeg, png;
    Pictures() {
        writeScreenshotJpeg(dir / "template.jpg", Screenshot{64, 48, {}});
        jpeg = readFile(dir / "template.jpg");
        png = blankPng(64, 48);
    }
    std::string jpegWith(const std::string& name, const std::string& segments) const {
        writeFile(dir / name, jpeg.substr(0, 2) + segments + jpeg.substr(2));
        return dir / name;
    }
    std::string pngWith(const std::string& name, const std::string& chunks) const {
        writeFile(dir / name, png.substr(0, 33) + chunks + png.substr(33));
        return dir / name;
    }
};

}  // namespace

TEST(ImageMetadataReader, ReadsTheMarksOfJpegExifAndXmp) {
    Pictures pictures;
    const struct {
        const char* name;
        std::string segments;
        EmbeddedMetadata expected;
    } cases[] = {
        {"little.jpg", exifSegment({"Spectacle", "Kim", "", 4000, false}), {"Spectacle", {}, {}, {"Kim"}, {}}},
        {"big.jpg", exifSegment({"ksnip 1.10", "", "", 0, true}), {"ksnip 1.10", {}, {}, {}, {}}},
        {"comment.jpg", exifSegment({"", "", "Screenshot", 0, false}), {{}, "Screenshot", {}, {}, {}}},
        {"xmp.jpg",
         xmpSegment(xmpPacket({{"xmp:CreatorTool", "Flameshot"},
                               {"dc:title", "<rdf:Alt><rdf:li xml:lang=\"de\">Fenster</rdf:li>"
                                            "<rdf:li xml:lang=\"x-default\">Window</rdf:li></rdf:Alt>"},
                               {"dc:creator", "<rdf:Seq><rdf:li>Ann</rdf:li><rdf:li>Bo</rdf:li></rdf:Seq>"},
                               {"exif:UserComment", alternative("Screenshot")}})),
         {"Flameshot", "Screenshot", "Window", {"Ann", "Bo"}, {}}},
        // XMP wins over Exif field by field; Exif fills what XMP lacks.
        {"both.jpg", exifSegment({"Camera 1.0", "Lee", "", 0, false}) + xmpSegment(xmpPacket({{"tiff:Software", "grim"}})),
         {"grim", {}, {}, {"Lee"}, {}}},
        // Segments before the marks (a comment, a JFIF header) are stepped over, fill bytes too.
        {"late.jpg", jpegSegment(0xFE, std::string(60'000, 'c')) + "\xFF\xFF" + exifSegment({"grim", "", "", 0, false}),
         {"grim", {}, {}, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageMetadataReader::read(pictures.jpegWith(c.name, c.segments)), c.expected);
    }
    // What follows the start of the scan is pixels, even where it looks like a segment.
    const std::string scanHeader = jpegSegment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
    writeFile(pictures.dir / "after-scan.jpg",
              "\xFF\xD8" + scanHeader + exifSegment({"Spectacle", "", "", 0, false}) + "\xFF\xD9");
    EXPECT_EQ(ImageMetadataReader::read(pictures.dir / "after-scan.jpg"), std::nullopt);
    EXPECT_EQ(ImageMetadataReader::read(pictures.jpegWith("bare.jpg", "")), std::nullopt);
}

TEST(ImageMetadataReader, ReadsXmpAttributesAndResolvesPrefixes) {
    Pictures pictures;
    auto packetWith = [](const std::string& description) {
        return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" +
               description + "</rdf:RDF></x:xmpmeta>";
    };
    const struct {
        const char* name;
        std::string packet;
        std::optional<std::string> software;
    } cases[] = {
        {"attribute.jpg", packetWith("<rdf:Description xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:CreatorTool=\"Spectacle\"/>"),
         "Spectacle"},
        {"own-prefix.jpg", packetWith("<rdf:Description xmlns:a=\"http://ns.adobe.com/xap/1.0/\"><a:CreatorTool>grim</a:CreatorTool>"
                                      "</rdf:Description>"),
         "grim"},
        {"other-namespace.jpg", packetWith("<rdf:Description xmlns:xmp=\"http://example.com/\" xmp:CreatorTool=\"grim\"/>"),
         std::nullopt},
        {"bare-rdf.jpg", "<r:RDF xmlns:r=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><r:Description "
                         "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Software=\"ksnip\"/></r:RDF>",
         "ksnip"},
        {"not-xml.jpg", "<x:xmpmeta><rdf:RDF", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto metadata = ImageMetadataReader::read(pictures.jpegWith(c.name, xmpSegment(c.packet)));
        EXPECT_EQ(metadata ? metadata->software : std::nullopt, c.software);
    }
}

TEST(ImageMetadataReader, ReadsThePngChunksBeforeTheImageData) {
    Pictures pictures;
    const std::string xmp = pngInternationalText("XML:com.adobe.xmp", xmpPacket({{"xmp:CreatorTool", "Flameshot"},
                                                                                 {"exif:UserComment", alternative("Screenshot")}}));
    const std::string software = pngChunk("tEXt", std::string("Software\0gnome-screenshot", 25));
    const struct {
        const char* name;
        std::string chunks;
        EmbeddedMetadata expected;
    } cases[] = {
        {"text.png", software + pngChunk("tEXt", std::string("Author\0Ann", 10)), {"gnome-screenshot", {}, {}, {"Ann"}, {}}},
        // The text chunk wins over XMP for the software; XMP still gives the comment.
        {"text-and-xmp.png", xmp + software, {"gnome-screenshot", "Screenshot", {}, {}, {}}},
        {"exif.png", pngChunk("eXIf", exifBlock({"Spectacle", "", "", 0, true})), {"Spectacle", {}, {}, {}, {}}},
        // A chunk whose checksum is wrong is left out, the next one read.
        {"bad-crc.png", [&] { std::string bad = software; bad.back() ^= 1; return bad; }() + xmp,
         {"Flameshot", "Screenshot", {}, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageMetadataReader::read(pictures.pngWith(c.name, c.chunks)), c.expected);
    }
    // Text after the first image data chunk is not looked for.
    const size_t iend = pictures.png.size() - 12;
    writeFile(pictures.dir / "after-data.png", pictures.png.substr(0, iend) + software + pictures.png.substr(iend));
    EXPECT_EQ(ImageMetadataReader::read(pictures.dir / "after-data.png"), std::nullopt);
}

// A file of many packets, or of long compressed texts, costs no more than one packet and the
// inflate cap: later packets are not read, and what would inflate past the cap is left out.
TEST(ImageMetadataReader, OnlyTheFirstXmpPacketAndTheInflateCapCount) {
    Pictures pictures;
    const std::string first = xmpPacket({{"xmp:CreatorTool", "Photo Editor 4.2"}});
    const std::string later = xmpPacket({{"xmp:CreatorTool", "grim"}, {"dc:title", alternative("Later")},
                                         {"exif:UserComment", alternative("Screenshot")}});
    const EmbeddedMetadata firstOnly{"Photo Editor 4.2", {}, {}, {}, {}};
    const std::string packets = pngCompressedInternationalText("XML:com.adobe.xmp", first) +
                                pngCompressedInternationalText("XML:com.adobe.xmp", later) +
                                pngInternationalText("XML:com.adobe.xmp", later);
    EXPECT_EQ(ImageMetadataReader::read(pictures.pngWith("packets.png", packets)), firstOnly);
    EXPECT_EQ(ImageMetadataReader::read(pictures.jpegWith("packets.jpg", xmpSegment(first) + xmpSegment(later))), firstOnly);

    auto compressed = [](const std::string& keyword, size_t length, const std::string& text) {
        return pngCompressedInternationalText(keyword, std::string(length, ' ') + text);
    };
    const size_t cap = ImageMetadataReader::inflateCap;
    const std::string chunks =
        compressed("Comment", cap, "not used, so not inflated") +
        compressed("Title", cap / 2, "Holiday") +
        compressed("Author", cap / 2, "Kim") +  // past the cap by a few bytes
        compressed("Software", 0, "grim") +     // nothing left for it
        pngChunk("tEXt", std::string("Software\0Spectacle", 18));  // not inflated: still read
    EXPECT_EQ(ImageMetadataReader::read(pictures.pngWith("long-texts.png", chunks)),
              (EmbeddedMetadata{"Spectacle", {}, "Holiday", {}, {}}));
}

TEST(ImageMetadataReader, DamagedAndHostileFilesGiveNothingWithinTheCap) {
    Pictures pictures;
    const std::string marks = exifSegment({"Spectacle", "", "Screenshot", 3000, false});
    const std::string marked = readFile(pictures.jpegWith("marked.jpg", marks));
    const std::string markedPng = readFile(pictures.pngWith("marked.png", pngChunk("tEXt", std::string("Software\0grim", 13))));
    // Every cut of a marked file before its marks end: nothing, and nothing read out of bounds.
    for (size_t length = 0; length < 2 + marks.size(); length += 7) {
        writeFile(pictures.dir / "cut.jpg", marked.substr(0, length));
        EXPECT_EQ(ImageMetadataReader::read(pictures.dir / "cut.jpg"), std::nullopt) << length;
    }
    for (size_t length = 0; length < 33 + 25; ++length) {
        writeFile(pictures.dir / "cut.png", markedPng.substr(0, length));
        EXPECT_EQ(ImageMetadataReader::read(pictures.dir / "cut.png"), std::nullopt) << length;
    }

    auto littleEndian32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string wildOffsets = exifBlock({"Spectacle", "", "Screenshot", 0, false});
    wildOffsets.replace(4, 4, littleEndian32(0xFFFFFFF0u));  // the first directory far past the end
    std::string wildCount = exifBlock({"Spectacle", "", "", 0, false});
    wildCount.replace(8, 2, "\xFF\xFF");  // more entries than the block holds
    std::string wildValue = exifBlock({"Spectacle", "", "", 0, false});
    wildValue.replace(8 + 2 + 12 + 4, 4, littleEndian32(0x7FFFFFFF));  // the software's length
    std::string loop = exifBlock({"", "", "Screenshot", 0, false});
    loop.replace(8 + 2 + 12 + 8, 4, littleEndian32(8));  // the Exif directory is the first one again
    const struct {
        const char* name;
        std::string contents;
        std::optional<std::string> software = std::nullopt;
    } hostile[] = {
        {"wild-offsets.jpg", pictures.jpeg.substr(0, 2) + jpegSegment(0xE1, exifSignature + wildOffsets)},
        // The entries that are there are read; the count claims no others into being.
        {"wild-count.jpg", pictures.jpeg.substr(0, 2) + jpegSegment(0xE1, exifSignature + wildCount), "Spectacle"},
        {"wild-value.jpg", pictures.jpeg.substr(0, 2) + jpegSegment(0xE1, exifSignature + wildValue)},
        {"exif-loop.jpg", pictures.jpeg.substr(0, 2) + jpegSegment(0xE1, exifSignature + loop)},
        {"segment-past-end.jpg", "\xFF\xD8\xFF\xE1\xFF\xF0" + exifSignature + exifBlock({"grim", "", "", 0, false})},
        {"short-segment.jpg", std::string("\xFF\xD8\xFF\xE1\x00\x01", 6) + marks},
        {"chunk-past-end.png", pictures.png.substr(0, 33) + "\x00\x00\x10\x00tEXtSoftware\0grim"},
        {"huge-chunk.png", pictures.png.substr(0, 33) + "\x7F\xFF\xFF\xFFtEXtSoftware\0grim"},
        {"huger-chunk.png", pictures.png.substr(0, 33) + "\xFF\xFF\xFF\xFFtEXtSoftware\0grim"},
    };
    for (const auto& h : hostile) {
        writeFile(pictures.dir / h.name, h.contents);
        auto metadata = ImageMetadataReader::read(pictures.dir / h.name);
        EXPECT_EQ(metadata ? metadata->software : std::nullopt, h.software) << h.name;
        EXPECT_FALSE(metadata && metadata->userComment) << h.name;
    }

    // Endless segments and chunks: the reading stops at the cap and the marks after it are not seen.
    const std::string comment = jpegSegment(0xFE, std::string(65'000, 'x'));
    std::string endless = pictures.jpeg.substr(0, 2);
    // Each step over a segment reads one window ahead: ten times the cap is out of reach.
    while (endless.size() < 40 * ImageMetadataReader::readCap) endless += comment;
    writeFile(pictures.dir / "endless.jpg", endless + marks + pictures.jpeg.substr(2));
    std::string tinyChunks = pictures.png.substr(0, 33);
    while (tinyChunks.size() < 4 * ImageMetadataReader::readCap) tinyChunks += pngChunk("tEXt", std::string("Comment\0a", 9));
    writeFile(pictures.dir / "endless.png", tinyChunks + pngChunk("tEXt", std::string("Software\0grim", 13)) + pictures.png.substr(33));
    for (const char* name : {"endless.jpg", "endless.png"}) {
        const int64_t before = bytesReadByProcess();
        EXPECT_EQ(ImageMetadataReader::read(pictures.dir / name), std::nullopt) << name;
        EXPECT_LE(bytesReadByProcess() - before, int64_t(ImageMetadataReader::readCap) + 4096) << name;
    }
}

TEST(ImageMetadataReader, RandomlyDamagedPicturesStayWithinTheirBytesAndTheCap) {
    Pictures pictures;
    const std::string xmp = xmpPacket({{"xmp:CreatorTool", "grim"}, {"dc:creator", "<rdf:Seq><rdf:li>Ann</rdf:li></rdf:Seq>"}});
    const std::string originals[] = {
        readFile(pictures.jpegWith("marked.jpg", exifSegment({"Spectacle", "Kim", "Screenshot", 500, false}) + xmpSegment(xmp))),
        readFile(pictures.pngWith("marked.png", pngChunk("eXIf", exifBlock({"ksnip", "", "Screenshot", 0, true})) +
                                                    pngInternationalText("XML:com.adobe.xmp", xmp))),
    };
    SeededRandom random{0x5EED};
    const int64_t before = bytesReadByProcess();
    int read = 0;
    for (int round = 0; round < 400; ++round) {
        for (const std::string& original : originals) {
            std::string damaged = original;
            // A few bytes of the first kilobytes changed, where the lengths and offsets are.
            for (int flips = 1 + int(random.below(4)); flips > 0; --flips) {
                damaged[random.below(std::min<size_t>(damaged.size(), 2048))] = static_cast<char>(random.next());
            }
            writeFile(pictures.dir / "damaged", damaged);
            read += ImageMetadataReader::read(pictures.dir / "damaged").has_value();
        }
    }
    EXPECT_GT(read, 0);  // most damage leaves some field readable
    EXPECT_LE(bytesReadByProcess() - before, 800 * int64_t(originals[0].size() + originals[1].size()));
}
