#include <gtest/gtest.h>

#include <functional>

#include "OrdaneRecognition/Extraction/FileMetadata.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Extraction/ExtractionFixtures.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

std::string zeroPagePdf() {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [] /Count 0 >>");
    const size_t xref = pdf.size();
    pdf += "xref\n0 3\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

// Each case writes one damaged or empty file; every extractor that takes it gives nothing.
struct BadFile {
    std::string name;
    std::function<void(const TempDir&, const std::string& path)> write;
};

std::vector<BadFile> badFiles() {
    auto textPdf = [](const TempDir& dir) {
        writeTextPdf(dir / "source.pdf", numberedPages(2));
        return readFile(dir / "source.pdf");
    };
    return {
        {"truncated.pdf", [=](const TempDir& dir, const std::string& path) {
             std::string pdf = textPdf(dir);
             writeFile(path, pdf.substr(0, pdf.size() / 5));
         }},
        {"garbage-xref.pdf", [=](const TempDir& dir, const std::string& path) {
             std::string pdf = textPdf(dir);
             const size_t xref = pdf.rfind("xref");
             for (size_t i = xref; i < pdf.size(); ++i) pdf[i] = static_cast<char>('#' + (i * 7) % 50);
             for (size_t i = 0; i < xref; ++i) {  // and no object can be found by scanning either
                 if (pdf.compare(i, 4, " obj") == 0) pdf[i + 1] = 'x';
             }
             writeFile(path, pdf);
         }},
        {"locked.pdf", [](const TempDir&, const std::string& path) { writeLockedPdf(path, numberedPages(2)); }},
        {"zero-pages.pdf", [](const TempDir&, const std::string& path) { writeFile(path, zeroPagePdf()); }},
        {"blank-pages.pdf", [](const TempDir&, const std::string& path) { writeTextPdf(path, {{"   "}, {}}); }},
        {"not-a-pdf.pdf", [](const TempDir&, const std::string& path) { writeFile(path, "just some words\n"); }},
        {"wrong-crc.png", [](const TempDir&, const std::string& path) {
             writeScreenshotPng(path, {400, 200, {{"Invoice total", 20, 50, 30}}});
             std::string png = readFile(path);
             const size_t data = png.find("IDAT");
             const size_t length = (static_cast<unsigned char>(png[data - 2]) << 8) | static_cast<unsigned char>(png[data - 1]);
             png[data + 4 + length] ^= 0x5A;  // first byte of the chunk's CRC
             writeFile(path, png);
         }},
        {"one-pixel.png", [](const TempDir&, const std::string& path) { writeFile(path, blankPng(1, 1)); }},
        {"bomb.png", [](const TempDir&, const std::string& path) { writeFile(path, blankPng(30000, 30000)); }},
        {"no-text.jpg", [](const TempDir&, const std::string& path) { writeScreenshotJpeg(path, {300, 200, {}}); }},
        {"garbage.jpg", [](const TempDir&, const std::string& path) { writeFile(path, std::string(4000, '\xFF')); }},
        {"garbage.heic", [](const TempDir&, const std::string& path) {
             writeFile(path, std::string("\0\0\0\x18" "ftypheic", 12) + std::string(500, 'x'));
         }},
        {"other-zip.docx", [](const TempDir&, const std::string& path) {
             writeZip(path, {{"notes.txt", "a zip of something else"}});
         }},
        {"not-a-zip.docx", [](const TempDir&, const std::string& path) { writeFile(path, "PK but not really"); }},
        {"inflates-too-far.docx", [](const TempDir&, const std::string& path) {
             const std::string open = "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>";
             writeZip(path, {{"word/document.xml", open + std::string((64u << 20) + 1, 'a') + "</w:t></w:r></w:p></w:body></w:document>"}});
         }},
        {"deep.rtf", [](const TempDir&, const std::string& path) { writeFile(path, "{\\rtf1 " + std::string(100000, '{')); }},
        {"not-rtf.rtf", [](const TempDir&, const std::string& path) { writeFile(path, "plain words, no braces"); }},
        {"empty.txt", [](const TempDir&, const std::string& path) { writeFile(path, ""); }},
        {"blank.md", [](const TempDir&, const std::string& path) { writeFile(path, "  \n\t\r\n   \n"); }},
    };
}

}  // namespace

TEST(ExtractionBadInput, EveryDamagedLockedEmptyOrHugeFileGivesNothing) {
    TempDir dir;
    for (const BadFile& bad : badFiles()) {
        SCOPED_TRACE(bad.name);
        const std::string path = dir / bad.name;
        bad.write(dir, path);
        const FileRecord record = recordOf(path);
        const auto taking = TextExtractors::forRecord(record);
        EXPECT_FALSE(taking.empty());
        for (const TextExtractor* extractor : taking) EXPECT_EQ(extractor->extract(record, ExtractionBudget()), std::nullopt);
        std::optional<FileMetadata> metadata = FileMetadata::read(record.url());
        EXPECT_FALSE(metadata && metadata->isScreenCapture);
    }
}
