#include <gtest/gtest.h>

#include <array>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::ImageReader;
using ordane::platform::RgbaImage;
using namespace ordane::testing;

namespace {

// The red, green, blue and alpha of one pixel.
std::array<int, 4> pixel(const RgbaImage& image, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2], image.pixels[at + 3]};
}

}  // namespace

TEST(ImageReader, ReadsEachFormatAsRGBAOfItsSize) {
    TempDir dir;
    Screenshot shot{320, 120, {{"Dark text", 10, 10, 60, true}}};
    writeScreenshotPng(dir / "a.png", shot);
    writeScreenshotJpeg(dir / "a.jpg", shot);
    Screenshot clear = shot;
    clear.transparentBackground = true;
    writeScreenshotPng(dir / "clear.png", clear);
    std::vector<std::string> names{"a.png", "a.jpg"};
    if (writeScreenshotHeic(dir / "a.heic", shot)) names.push_back("a.heic");

    for (const std::string& name : names) {
        auto image = ImageReader::read(dir / name);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->width, 320) << name;
        EXPECT_EQ(image->height, 120) << name;
        EXPECT_EQ(image->pixels.size(), 320u * 120u * 4u) << name;
        const auto corner = pixel(*image, 315, 115);
        for (int channel = 0; channel < 4; ++channel) EXPECT_GE(corner[channel], 235) << name << " channel " << channel;
        int dark = 0;
        for (int y = 0; y < 120; ++y) {
            for (int x = 0; x < 320; ++x) dark += pixel(*image, x, y)[0] < 60 ? 1 : 0;
        }
        EXPECT_GT(dark, 500) << name;
    }
    auto clearImage = ImageReader::read(dir / "clear.png");
    ASSERT_TRUE(clearImage);
    EXPECT_EQ(pixel(*clearImage, 315, 115)[3], 0);  // transparency is kept for the recogniser to flatten
}

TEST(ImageReader, RefusesPicturesTooLargeToDecodeBeforeDecodingThem) {
    EXPECT_TRUE(RgbaImage::sizeAllowed(6'000, 6'000));
    EXPECT_FALSE(RgbaImage::sizeAllowed(30'000, 30'000));
    EXPECT_FALSE(RgbaImage::sizeAllowed(1, 40'000'001));
    EXPECT_TRUE(RgbaImage::sizeAllowed(1, 40'000'000));
    EXPECT_FALSE(RgbaImage::sizeAllowed(0, 10));
    TempDir dir;
    writeFile(dir / "tall.png", blankPng(7'000, 7'000));  // 49 million pixels
    EXPECT_EQ(ImageReader::read(dir / "tall.png"), std::nullopt);
}
