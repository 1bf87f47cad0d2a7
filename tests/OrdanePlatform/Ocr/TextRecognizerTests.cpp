#include <gtest/gtest.h>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using namespace ordane::testing;

namespace {

std::optional<std::vector<RecognizedLine>> read(const RgbaImage& image, std::string_view language) {
    return TextRecognizer::recognize(image, TextRecognizer::Layout::sparseText, Deadline(), language);
}

}  // namespace

TEST(TextRecognizer, EveryLanguageReadsWithItsModelAndEnginesStayRightWhenOldOnesAreDropped) {
    TempDir dir;
    writeScreenshotPng(dir / "shot.png", Screenshot{640, 120, {{"Größe der Straße", 20, 30, 36}}});
    auto image = ImageReader::read(dir / "shot.png");
    ASSERT_TRUE(image);
    auto german = read(*image, "de");
    ASSERT_TRUE(german);
    ASSERT_EQ(german->size(), 1u);
    EXPECT_EQ(german->front().text, "Größe der Straße");

    // More languages than are kept idle (two, after one reading at a time): idle engines of other
    // languages are dropped oldest first, German's among them, and one made again reads as before.
    for (const char* language : {"fr", "de", "es", "it", "pt", "nl", "sv", "no", "da", "tr", "pl", "en"}) {
        auto lines = read(*image, language);
        ASSERT_TRUE(lines) << language;
        EXPECT_EQ(lines->size(), 1u) << language;
    }
    EXPECT_EQ(read(*image, "de"), german);
    EXPECT_EQ(read(*image, "ja"), std::nullopt);  // no model for it
    EXPECT_EQ(read(*image, ""), std::nullopt);
}
