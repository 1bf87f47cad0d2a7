#include <gtest/gtest.h>

#include "OrdaneRecognition/Extraction/FileMetadata.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

TEST(FileMetadata, RecognisesScreenCaptureToolsByName) {
    const struct {
        const char* software;
        bool isTool;
    } cases[] = {
        {"GNOME Screenshot", true}, {"gnome-screenshot", true}, {"Shutter", true},         {"GIMP 2.10.34", false},
        {"grimace", false},         {"", false},
        // Tools that write no Software text: a picture that names them was saved by someone else.
        {"Spectacle 23.08", false}, {"flameshot 12.1", false},  {"xfce4-screenshooter", false},
        {"grim", false},            {"ksnip 1.10", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileMetadata::namesScreenCaptureTool(c.software), c.isTool) << c.software;
}

TEST(FileMetadata, ReadsWhatPicturesDocumentsAndPDFsCarry) {
    TempDir dir;
    const Screenshot shot{200, 100, {}};
    writeScreenshotPng(dir / "capture.png", shot);
    addPngTextChunks(dir / "capture.png", {{"Software", "gnome-screenshot"}, {"Title", "Window"}, {"Author", "Ann"}});
    writeScreenshotPng(dir / "commented.png", shot);
    insertPngChunks(dir / "commented.png",
                    pngInternationalText("XML:com.adobe.xmp",
                                         xmpPacket({{"exif:UserComment",
                                                     "<rdf:Alt><rdf:li xml:lang=\"x-default\">Screenshot</rdf:li></rdf:Alt>"}})));
    writeScreenshotPng(dir / "bare.png", shot);
    PdfProperties properties{"Annual report", "Bo Lind", "Report Writer 2"};
    writeTextPdf(dir / "report.pdf", numberedPages(4), {}, properties);
    writeFile(dir / "notes.txt", "plain");

    using Strings = std::vector<std::string>;
    using Text = std::optional<std::string>;
    const struct {
        const char* name;
        bool isScreenCapture;
        Text creatorApp, title;
        Strings authors;
        std::optional<int> pageCount;
    } cases[] = {
        {"capture.png", true, "gnome-screenshot", "Window", {"Ann"}, std::nullopt},
        {"commented.png", true, std::nullopt, std::nullopt, {}, std::nullopt},
        {"report.pdf", false, "Report Writer 2", "Annual report", {"Bo Lind"}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto metadata = FileMetadata::read(URL::fileURL(dir / c.name));
        ASSERT_TRUE(metadata);
        EXPECT_EQ(metadata->isScreenCapture, c.isScreenCapture);
        EXPECT_EQ(metadata->creatorApp, c.creatorApp);
        EXPECT_EQ(metadata->title, c.title);
        EXPECT_EQ(metadata->authors, c.authors);
        EXPECT_EQ(metadata->pageCount, c.pageCount);
        EXPECT_EQ(metadata->screenCaptureType, std::nullopt);
    }
    EXPECT_EQ(FileMetadata::read(URL::fileURL(dir / "bare.png")), std::nullopt);
    EXPECT_EQ(FileMetadata::read(URL::fileURL(dir / "notes.txt")), std::nullopt);
}

TEST(FileMetadata, PhotosMarkedByACaptureToolAreScreenshotsWhateverTheirName) {
    TempDir dir;
    writeScreenshotJpeg(dir / "template.jpg", Screenshot{64, 48, {}});
    const std::string jpeg = readFile(dir / "template.jpg");
    auto jpegWith = [&](const std::string& name, const std::string& payload) {
        writeFile(dir / name, jpeg.substr(0, 2) + jpegSegment(0xE1, payload) + jpeg.substr(2));
    };
    const std::string exif("Exif\0\0", 6), xmp("http://ns.adobe.com/xap/1.0/\0", 29);
    jpegWith("IMG_0001.jpg", exif + exifBlock({"Shutter 0.99", "", "", 8000, false}));
    jpegWith("IMG_0002.JPG", exif + exifBlock({"", "", "Screenshot", 0, true}));
    jpegWith("IMG_0003.jpeg", xmp + xmpPacket({{"xmp:CreatorTool", "gnome-screenshot"}}));
    jpegWith("IMG_0004.jpg", exif + exifBlock({"Camera firmware 1.2", "", "", 8000, false}));
    jpegWith("screenshot-lower.jpg", exif + exifBlock({"GIMP 2.10", "", "", 0, false}));
    writeScreenshotPng(dir / "export.png", Screenshot{64, 48, {}});
    addPngTextChunks(dir / "export.png", {{"Software", "gnome-screenshot"}});
    const struct {
        const char* name;
        bool isScreenshot;
    } cases[] = {
        {"IMG_0001.jpg", true},  {"IMG_0002.JPG", true},          {"IMG_0003.jpeg", true},
        {"IMG_0004.jpg", false}, {"screenshot-lower.jpg", false}, {"export.png", true},
    };
    for (const auto& c : cases) {
        FileRecord record;
        record.setURL(URL::fileURL(dir / c.name));
        record.setSize(static_cast<int64_t>(readFile(dir / c.name).size()));
        EXPECT_EQ(RecognitionPipeline::isScreenshot(record), c.isScreenshot) << c.name;
    }
}
