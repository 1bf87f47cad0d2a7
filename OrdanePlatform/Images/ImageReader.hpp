#pragma once

#include <optional>
#include <string>

#include "OrdanePlatform/Images/RgbaImage.hpp"

namespace ordane::platform {

// Reads PNG and JPEG files through leptonica and HEIC files through libheif, told apart by their
// first bytes. The size is read from the header first: a picture over RgbaImage::maxPixels is
// never decoded. Any failure (not a picture, damaged data, too large) gives nothing.
class ImageReader {
public:
    static std::optional<RgbaImage> read(const std::string& path);
};

}  // namespace ordane::platform
