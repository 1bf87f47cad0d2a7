#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "OrdanePlatform/Metadata/EmbeddedMetadata.hpp"

namespace ordane::platform {

// The metadata of a PNG or JPEG picture, read by us from the few places it is kept: the text,
// XMP and Exif chunks before a PNG's image data, the Exif and XMP segments before a JPEG's scan.
// Nothing past those is read, and never more than `readCap` bytes of the file whatever it claims,
// nor more than `inflateCap` bytes inflated from its compressed texts in all; of several XMP
// packets only the first counts. So the program can look at any picture itself, quickly and safely.
// Other formats (HEIC among them) give nothing.
class ImageMetadataReader {
public:
    static constexpr size_t readCap = 256 * 1024;
    static constexpr size_t inflateCap = 64 * 1024;

    static std::optional<EmbeddedMetadata> read(const std::string& path);

    // The fields of one Exif block (a TIFF structure) and of one XMP packet, added to `metadata`
    // where it has none yet.
    static void readExif(std::string_view tiff, EmbeddedMetadata& metadata);
    static void readXmp(std::string_view packet, EmbeddedMetadata& metadata);
};

}  // namespace ordane::platform
