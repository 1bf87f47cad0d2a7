#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "OrdaneRecognition/Extraction/FileMetadata.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

TEST(FileMetadata, RecognisesScreenCaptureToolsByName) {
    const struct {
        const char* software;
        bool isTool;
    } cases[] = {
        {"gnome-screenshot", true}, {"GNOME Screenshot", true}, {"Spectacle", true},  {"flameshot 12.1", true},
        {"ksnip", true},            {"Shutter", true},          {"xfce4-screenshooter", true}, {"grim", true},
        {"GIMP 2.10.34", false},    {"grimace", false},         {"Inkscape", false},  {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileMetadata::namesScreenCaptureTool(c.software), c.isTool) << c.software;
}

TEST(FileMetadata, ReadsWhatPicturesDocumentsAndPDFsCarry) {
    TempDir dir;
    const Screenshot shot{200, 100, {}};
    writeScreenshotPng(dir / "capture.png", shot);
    addPngTextChunks(dir / "capture.png", {{"Software", "gnome-screenshot"}, {"Title", "Window"}, {"Author", "Ann"}});
    writeScreenshotPng(dir / "drawing.png", shot);
    addPngTextChunks(dir / "drawing.png", {{"Software", "GIMP 2.10.34"}});
    writeScreenshotPng(dir / "commented.png", shot);
    {
        auto image = Exiv2::ImageFactory::open(dir / "commented.png");
        image->readMetadata();
        image->xmpData()["Xmp.exif.UserComment"] = "Screenshot";
        image->writeMetadata();
    }
    writeScreenshotPng(dir / "bare.png", shot);
    PdfProperties properties{"Annual report", "Bo Lind", "Report Writer 2"};
    writeTextPdf(dir / "report.pdf", numberedPages(4), {}, properties);
    writeDocx(dir / "letter.docx", {"Hello"}, {"Letter to Ann", "Cy Moss", "Word processor"});
    writeFile(dir / "notes.txt", "plain");

    auto capture = FileMetadata::read(URL::fileURL(dir / "capture.png"));
    ASSERT_TRUE(capture);
    EXPECT_TRUE(capture->isScreenCapture);
    EXPECT_EQ(capture->creatorApp, "gnome-screenshot");
    EXPECT_EQ(capture->title, "Window");
    EXPECT_EQ(capture->authors, std::vector<std::string>{"Ann"});
    EXPECT_EQ(capture->screenCaptureType, std::nullopt);

    auto drawing = FileMetadata::read(URL::fileURL(dir / "drawing.png"));
    ASSERT_TRUE(drawing);
    EXPECT_FALSE(drawing->isScreenCapture);
    EXPECT_EQ(drawing->creatorApp, "GIMP 2.10.34");
    EXPECT_TRUE(drawing->authors.empty());

    auto commented = FileMetadata::read(URL::fileURL(dir / "commented.png"));
    ASSERT_TRUE(commented);
    EXPECT_TRUE(commented->isScreenCapture);

    EXPECT_EQ(FileMetadata::read(URL::fileURL(dir / "bare.png")), std::nullopt);
    EXPECT_EQ(FileMetadata::read(URL::fileURL(dir / "notes.txt")), std::nullopt);

    auto report = FileMetadata::read(URL::fileURL(dir / "report.pdf"));
    ASSERT_TRUE(report);
    EXPECT_EQ(report->title, "Annual report");
    EXPECT_EQ(report->authors, std::vector<std::string>{"Bo Lind"});
    EXPECT_EQ(report->creatorApp, "Report Writer 2");
    EXPECT_EQ(report->pageCount, 4);
    EXPECT_FALSE(report->isScreenCapture);

    auto letter = FileMetadata::read(URL::fileURL(dir / "letter.docx"));
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->title, "Letter to Ann");
    EXPECT_EQ(letter->authors, std::vector<std::string>{"Cy Moss"});
    EXPECT_EQ(letter->creatorApp, "Word processor");
}
