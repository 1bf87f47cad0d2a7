#pragma once

#include <cstdint>
#include <vector>

namespace ordane::platform {

// An 8-bit-per-channel bitmap, rows top to bottom without padding, each pixel red, green, blue and
// alpha (not premultiplied).
struct RgbaImage {
    // Bitmaps larger than this are refused before any decoding or drawing (a US Letter page at
    // twice its size is 1.9 million pixels; a 30,000-pixel square "image" is a decompression bomb).
    static constexpr int64_t maxPixels = 40'000'000;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width × height × 4 bytes

    bool empty() const { return width <= 0 || height <= 0; }
    static bool sizeAllowed(int64_t width, int64_t height) {
        return width >= 1 && height >= 1 && width <= maxPixels && height <= maxPixels && width * height <= maxPixels;
    }
};

}  // namespace ordane::platform
