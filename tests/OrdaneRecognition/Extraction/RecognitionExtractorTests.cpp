#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScreenshotDescriber.hpp"
#include "OrdaneRecognition/Extraction/ExtractionFixtures.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

TEST(ImageOCRExtractor, ReadsScreenshotLinesInReadingOrderWithTheirBoxes) {
    TempDir dir;
    Screenshot shot;
    shot.width = 1200;
    shot.height = 700;
    shot.lines = {{"Backup Settings Overview", 330, 60, 40, true}, {"Storage location", 80, 260, 24},
                  {"Weekly schedule", 700, 262, 24}, {"Keep older copies", 80, 480, 24}};
    shot.transparentBackground = true;  // black text on nothing reads as on white
    writeScreenshotPng(dir / "shot.png", shot);
    {
        auto sample = ImageOCRExtractor().extract(recordOf(dir / "shot.png"), ExtractionBudget());
        ASSERT_TRUE(sample);
        EXPECT_EQ(sample->source, SampleSource::ocr);
        ASSERT_EQ(sample->lines.size(), shot.lines.size());
        // The two lines whose tops differ by 2 pixels read left to right.
        std::string expectedText;
        for (size_t i = 0; i < shot.lines.size(); ++i) {
            const PlacedText& placed = shot.lines[i];
            const TextLine& line = sample->lines[i];
            EXPECT_EQ(line.string, placed.text);
            const NormalisedBox box = normalisedBox(shot, placed);
            EXPECT_NEAR(line.x, box.x, 0.01);
            EXPECT_NEAR(line.y, box.y, 0.03);
            expectedText += (expectedText.empty() ? "" : "\n") + placed.text;
        }
        EXPECT_EQ(sample->text, expectedText);
    }
}

TEST(ImageOCRExtractor, PicturesWithoutTextGiveNothing) {
    TempDir dir;
    for (PhotoLike kind : {PhotoLike::noise, PhotoLike::texture, PhotoLike::gradient, PhotoLike::shapes}) {
        writePhotoLikePng(dir / "photo.png", kind, 7, 640, 480);
        EXPECT_EQ(ImageOCRExtractor().extract(recordOf(dir / "photo.png"), ExtractionBudget()), std::nullopt)
            << static_cast<int>(kind);
    }
}

TEST(ImageOCRExtractor, MenuItemsReachTheDescriberAsLinesOfTheirOwn) {
    TempDir dir;
    const std::vector<std::string> menu{"File", "Edit", "Buffer", "View", "Page", "Add", "Help"};
    Screenshot editor;
    editor.width = 1280;
    editor.height = 800;
    editor.lines = wordsInRow(menu, 8, 4, 15, 1.3);  // the engine reads an "_" into the gap before "Help"
    editor.lines.push_back({"Spring garden budget", 40, 400, 15, true});
    editor.lines.push_back({"Beans, peas and onions go in after the last frost.", 40, 480, 11});
    editor.lines.push_back({"Order seed potatoes before March.", 40, 510, 11});
    writeScreenshotPng(dir / "editor.png", editor);

    auto sample = ImageOCRExtractor().extract(recordOf(dir / "editor.png"), ExtractionBudget());
    ASSERT_TRUE(sample);
    size_t menuLines = 0;
    for (const TextLine& line : sample->lines) {
        if (line.y >= 0.05) continue;
        ++menuLines;  // each a single item, boxed alone (a lone short item read with low confidence may be left out)
        EXPECT_NE(std::find(menu.begin(), menu.end(), line.string), menu.end()) << line.string;
        EXPECT_LT(line.width, 0.05) << line.string;
    }
    EXPECT_GE(menuLines, 5u);
    EXPECT_EQ(ScreenshotDescriber::describeScreenshotText(sample->lines).phrase, "Spring garden budget");
}

TEST(ImageOCRExtractor, SortsLinesTopToBottomAndLeftToRightWithinATolerance) {
    auto line = [](const char* text, double x, double y) { return TextLine{text, x, y, 0.1, 0.02, 0.9}; };
    std::vector<TextLine> lines{line("right", 0.6, 0.300), line("left", 0.1, 0.305), line("lower", 0.1, 0.32),
                                line("top", 0.8, 0.05)};
    ImageOCRExtractor::sortInReadingOrder(lines);
    std::vector<std::string> order;
    for (const TextLine& sorted : lines) order.push_back(sorted.string);
    EXPECT_EQ(order, (std::vector<std::string>{"top", "left", "right", "lower"}));
}

TEST(ImageOCRExtractor, ARecognitionWhoseTimeIsUpStopsSoonInsteadOfRunningToItsEnd) {
    TempDir dir;
    Screenshot page;
    page.width = 3000;
    page.height = 3800;
    for (int row = 0; row < 140; ++row) {
        page.lines.push_back({"Column text " + std::to_string(row) + " with several words to recognise slowly", 40,
                              20.0 + row * 26, 20});
        page.lines.push_back({"second column entry number " + std::to_string(row) + " and more words", 1540,
                              20.0 + row * 26, 20});
    }
    writeScreenshotPng(dir / "dense.png", page);
    ExtractionBudget budget;
    budget.ocrTimeout = std::chrono::milliseconds(400);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ImageOCRExtractor().extract(recordOf(dir / "dense.png"), budget), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400) + std::chrono::seconds(3));
}

TEST(ScannedPDFOCRExtractor, RecognisesTwoPagesOfShortDocumentsAndNeverRendersAHugeBitmap) {
    TempDir dir;
    writeScannedPdf(dir / "scan.pdf", numberedPages(3));
    auto sample = ScannedPDFOCRExtractor().extract(recordOf(dir / "scan.pdf"), ExtractionBudget());
    ASSERT_TRUE(sample);
    EXPECT_TRUE(sample->truncated);
    EXPECT_EQ(sample->pageCount, 3);
    EXPECT_EQ(sample->text, "Page 1 of 3\nQuarterly report section 1\nThe figures on this page belong to part 1.\n"
                            "Page 2 of 3\nQuarterly report section 2\nThe figures on this page belong to part 2.");

    writeScannedPdf(dir / "ten.pdf", numberedPages(10));
    writeScannedPdf(dir / "eleven.pdf", numberedPages(11));
    auto ten = ScannedPDFOCRExtractor::renderPages(URL::fileURL(dir / "ten.pdf"));
    ASSERT_TRUE(ten);
    EXPECT_EQ(ten->pageCount, 10);
    ASSERT_EQ(ten->images.size(), 2u);
    EXPECT_EQ(ten->images[0].width, 1224);  // US Letter at twice its size
    EXPECT_EQ(ScannedPDFOCRExtractor::renderPages(URL::fileURL(dir / "eleven.pdf")), std::nullopt);

    // A poster of 14,400 points a side would be a 2.5 GB bitmap: the page is skipped.
    PdfLayout poster;
    poster.pageWidth = poster.pageHeight = 14'400;
    writeTextPdf(dir / "poster.pdf", {{"Poster title"}}, poster);
    EXPECT_EQ(ScannedPDFOCRExtractor::renderPages(URL::fileURL(dir / "poster.pdf")), std::nullopt);

    // Too little text to be worth a sample.
    writeScannedPdf(dir / "short.pdf", {{"Hello there"}});
    EXPECT_EQ(ScannedPDFOCRExtractor().extract(recordOf(dir / "short.pdf"), ExtractionBudget()), std::nullopt);
}
