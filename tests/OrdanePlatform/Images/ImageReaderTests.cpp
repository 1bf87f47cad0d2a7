#include <gtest/gtest.h>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::ImageReader;
using ordane::platform::RgbaImage;
using namespace ordane::testing;

TEST(ImageReader, ReadsRGBAOfItsSizeAndKeepsTransparency) {
    TempDir dir;
    Screenshot shot{320, 120, {{"Dark text", 10, 10, 60, true}}};
    shot.transparentBackground = true;
    writeScreenshotPng(dir / "clear.png", shot);
    auto image = ImageReader::read(dir / "clear.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 120);
    ASSERT_EQ(image->pixels.size(), 320u * 120u * 4u);
    EXPECT_EQ(image->pixels.back(), 0);  // transparency is kept for the recogniser to flatten
    size_t dark = 0;
    for (size_t at = 0; at < image->pixels.size(); at += 4) dark += image->pixels[at + 3] > 200 && image->pixels[at] < 60;
    EXPECT_GT(dark, 500u);
}

TEST(ImageReader, RefusesPicturesTooLargeToDecodeBeforeDecodingThem) {
    EXPECT_TRUE(RgbaImage::sizeAllowed(1, 40'000'000));
    EXPECT_FALSE(RgbaImage::sizeAllowed(1, 40'000'001));
    EXPECT_FALSE(RgbaImage::sizeAllowed(30'000, 30'000));
    EXPECT_FALSE(RgbaImage::sizeAllowed(0, 10));
    TempDir dir;
    writeFile(dir / "tall.png", blankPng(7'000, 7'000));  // 49 million pixels
    EXPECT_EQ(ImageReader::read(dir / "tall.png"), std::nullopt);
}
