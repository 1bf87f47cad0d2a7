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
        {"GNOME Screenshot", true}, {"flameshot 12.1", true}, {"xfce4-screenshooter", true}, {"grim", true},
        {"GIMP 2.10.34", false},    {"grimace", false},       {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileMetadata::namesScreenCaptureTool(c.software), c.isTool) << c.software;
}

TEST(FileMetadata, ReadsWhatPicturesDocumentsAndPDFsCarry) {
    TempDir dir;
    const Screenshot shot{200, 100, {}};
    writeScreenshotPng(dir / "capture.png", shot);
    addPngTextChunks(dir / "capture.png", {{"Software", "gnome-screenshot"}, {"Title", "Window"}, {"Author", "Ann"}});
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
