#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Generators of real documents for tests and fixture homes: PDFs with and without a text layer,
// locked PDFs, screenshots with text at known places, Word documents, RTF text and PNG metadata.
// Everything is drawn with cairo in DejaVu Sans; every writer throws std::runtime_error when it
// cannot write its file.
namespace ordane::testing {

// One page of a document: its lines, drawn from the top of the page down.
using PageLines = std::vector<std::string>;

struct PdfLayout {
    double pageWidth = 612;   // points; US Letter by default
    double pageHeight = 792;
    double fontSize = 12;     // points
    double margin = 72;       // left and top margin, points
    double lineSpacing = 1.5; // baseline distance as a multiple of the font size
};

// Entries of the document information dictionary; empty ones are left out.
struct PdfProperties {
    std::string title;
    std::string author;
    std::string creator;
};

// A PDF whose pages carry a text layer: page i shows pages[i], one line under the other.
void writeTextPdf(const std::string& path, const std::vector<PageLines>& pages, const PdfLayout& layout = {},
                  const PdfProperties& properties = {});

// A PDF whose pages are only a picture of their lines, as a scanner makes: no text layer. The
// picture has two pixels per point, so a renderer at scale 2 sees it pixel for pixel.
void writeScannedPdf(const std::string& path, const std::vector<PageLines>& pages, const PdfLayout& layout = {});

// A text PDF encrypted with a user password (qpdf, AES-256): readers open it locked.
void writeLockedPdf(const std::string& path, const std::vector<PageLines>& pages);

// `count` pages, each with a few lines that name the page ("Page 3 of 10 ...").
std::vector<PageLines> numberedPages(int count);

// Text placed on a screenshot: `x` and `y` are the top-left corner of the line's em box in pixels,
// `size` the font size in pixels.
struct PlacedText {
    std::string text;
    double x = 0;
    double y = 0;
    double size = 24;
    bool bold = false;
};

struct Screenshot {
    int width = 1200;
    int height = 800;
    std::vector<PlacedText> lines;       // black
    bool transparentBackground = false;  // white otherwise (PNG only keeps transparency)
};

// The top-left corner and height of a line as fractions of the picture, as a recogniser reports
// them: the em box of the text (a recognised box hugs the glyphs, so compare with a tolerance).
struct NormalisedBox {
    double x = 0;
    double y = 0;
    double height = 0;
};
NormalisedBox normalisedBox(const Screenshot& screenshot, const PlacedText& line);

// Words side by side on one row from (x, y), as a menu bar sets them: each starts `gapInEms` font
// sizes after the end of the one before, measured in the font.
std::vector<PlacedText> wordsInRow(const std::vector<std::string>& words, double x, double y, double size,
                                   double gapInEms);

void writeScreenshotPng(const std::string& path, const Screenshot& screenshot);
void writeScreenshotJpeg(const std::string& path, const Screenshot& screenshot);
// False (and no file) when libheif has no HEVC encoder here.
bool writeScreenshotHeic(const std::string& path, const Screenshot& screenshot);

// Pictures with no text that still give a recogniser edges to find, as photos do.
enum class PhotoLike {
    noise,     // every pixel a random colour
    texture,   // random blotches at several scales, as foliage, gravel or fur
    gradient,  // smooth sky-like colour ramps
    shapes,    // many overlapping discs, boxes and thin strokes over a gradient
};
// The same picture for the same kind and seed.
void writePhotoLikePng(const std::string& path, PhotoLike kind, uint64_t seed, int width = 1024, int height = 768);

// Adds uncompressed text chunks (keyword, text) to a PNG file, after its header chunk.
void addPngTextChunks(const std::string& path, const std::vector<std::pair<std::string, std::string>>& chunks);
// One PNG chunk with its length and CRC, for building damaged files by hand.
std::string pngChunk(const std::string& type, const std::string& data);
// A complete, valid PNG of the given size, 1-bit black: tiny on disk however large its pixels
// (a 30,000-pixel square is a decompression bomb of 900 million pixels in about 100 KB).
std::string blankPng(int width, int height);

// Chunks (made with pngChunk) put into a PNG file right after its header chunk.
void insertPngChunks(const std::string& path, const std::string& chunks);
// An uncompressed iTXt chunk with UTF-8 text, as XMP is kept in a PNG ("XML:com.adobe.xmp").
std::string pngInternationalText(const std::string& keyword, const std::string& text);
// The same with the text deflated, as writers keep a long packet.
std::string pngCompressedInternationalText(const std::string& keyword, const std::string& text);

// The Exif fields a camera or a capture tool writes; empty ones are left out.
struct ExifFields {
    std::string software;
    std::string artist;
    std::string userComment;    // in the Exif directory, marked as ASCII
    size_t thumbnailBytes = 0;  // a thumbnail of this size after the directories, as cameras keep one
    bool bigEndian = false;
};
// The TIFF structure Exif is kept in (without the "Exif\0\0" that precedes it in a JPEG).
std::string exifBlock(const ExifFields& fields);
// An XMP packet whose one description holds these properties: (qualified name, XML of the value).
// The prefixes xmp, tiff, dc, exif and rdf are declared.
std::string xmpPacket(const std::vector<std::pair<std::string, std::string>>& properties);
// A JPEG marker segment with its length.
std::string jpegSegment(unsigned char marker, const std::string& payload);
// Segments put into a JPEG file right after its start-of-image marker.
void insertJpegSegments(const std::string& path, const std::string& segments);

// A zip archive of the given members (name, contents), written with libzip.
void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members);

struct DocxProperties {
    std::string title;        // left out when empty
    std::string creator;      // left out when empty
    std::string application;  // left out when empty
};

// A Word (Office Open XML) document with one paragraph per entry. Inside a paragraph "\n" becomes
// a line break and "\t" a tab. Header text, when given, goes into a header part the body refers to.
void writeDocx(const std::string& path, const std::vector<std::string>& paragraphs, const DocxProperties& properties = {},
               const std::string& headerText = {});

// An RTF document (Windows-1252, with font and colour tables) with one paragraph per entry; the
// text is UTF-8 and is written with \'hh escapes for Windows-1252 characters and \uN for others.
std::string rtfDocument(const std::vector<std::string>& paragraphs);

}  // namespace ordane::testing
