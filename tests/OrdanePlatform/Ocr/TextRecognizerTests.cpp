#include <gtest/gtest.h>

#include <chrono>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using namespace ordane::testing;

namespace {

Screenshot twoColumns() {
    Screenshot shot;
    shot.width = 1000;
    shot.height = 600;
    shot.lines = {{"Monthly Budget Overview", 250, 40, 36, true},
                  {"Groceries and household", 60, 220, 22},
                  {"Rent and utilities", 560, 220, 22},
                  {"Savings account transfer", 60, 400, 22}};
    return shot;
}

}  // namespace

TEST(TextRecognizer, ReadsLinesWithTheirBoxesFromAScreenshot) {
    TempDir dir;
    Screenshot shot = twoColumns();
    writeScreenshotPng(dir / "shot.png", shot);
    auto image = ImageReader::read(dir / "shot.png");
    ASSERT_TRUE(image);
    auto lines = TextRecognizer::recognize(*image, TextRecognizer::Layout::sparseText, Deadline());
    ASSERT_TRUE(lines);
    for (auto& l : *lines) std::printf("%s %.3f %.3f %.3f %.3f %.2f\n", l.text.c_str(), l.x, l.y, l.width, l.height, l.confidence);
    for (auto& p : shot.lines) { auto b = normalisedBox(shot, p); std::printf("want %s %.3f %.3f %.3f\n", p.text.c_str(), b.x, b.y, b.height);}
}
