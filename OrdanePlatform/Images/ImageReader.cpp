#include "OrdanePlatform/Images/ImageReader.hpp"

#include <allheaders.h>
#include <libheif/heif.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "OrdanePlatform/Images/Leptonica.hpp"

namespace ordane::platform {

namespace {

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPointer = std::unique_ptr<PIX, PixDeleter>;

std::optional<RgbaImage> readWithLeptonica(const std::string& path) {
    l_int32 format = 0, width = 0, height = 0, bitsPerSample = 0, samplesPerPixel = 0, colormapped = 0;
    if (pixReadHeader(path.c_str(), &format, &width, &height, &bitsPerSample, &samplesPerPixel, &colormapped) != 0) {
        return std::nullopt;
    }
    if ((format != IFF_PNG && format != IFF_JFIF_JPEG) || !RgbaImage::sizeAllowed(width, height)) return std::nullopt;
    PixPointer decoded(pixRead(path.c_str()));
    if (!decoded || pixGetWidth(decoded.get()) != width || pixGetHeight(decoded.get()) != height) return std::nullopt;
    const bool hasAlpha = pixGetSpp(decoded.get()) == 4;
    PixPointer colour(pixConvertTo32(decoded.get()));
    if (!colour) return std::nullopt;

    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const l_uint32* data = pixGetData(colour.get());
    const l_int32 wordsPerLine = pixGetWpl(colour.get());
    uint8_t* out = image.pixels.data();
    for (l_int32 row = 0; row < height; ++row) {
        const l_uint32* line = data + static_cast<ptrdiff_t>(row) * wordsPerLine;
        for (l_int32 column = 0; column < width; ++column) {
            const l_uint32 word = line[column];  // 0xRRGGBBAA
            *out++ = static_cast<uint8_t>(word >> 24);
            *out++ = static_cast<uint8_t>(word >> 16);
            *out++ = static_cast<uint8_t>(word >> 8);
            *out++ = hasAlpha ? static_cast<uint8_t>(word) : 0xFF;
        }
    }
    return image;
}

std::optional<RgbaImage> readWithLibheif(const std::string& path) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), &heif_context_free);
    if (!context) return std::nullopt;
    if (heif_context_read_from_file(context.get(), path.c_str(), nullptr).code != heif_error_Ok) return std::nullopt;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return std::nullopt;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(rawHandle, &heif_image_handle_release);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!RgbaImage::sizeAllowed(width, height)) return std::nullopt;

    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code !=
        heif_error_Ok) {
        return std::nullopt;
    }
    std::unique_ptr<heif_image, decltype(&heif_image_release)> decoded(rawImage, &heif_image_release);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!plane || heif_image_get_width(decoded.get(), heif_channel_interleaved) != width ||
        heif_image_get_height(decoded.get(), heif_channel_interleaved) != height) {
        return std::nullopt;
    }
    RgbaImage image;
    image.width = width;
    image.height = height;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    image.pixels.resize(rowBytes * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
        std::memcpy(image.pixels.data() + rowBytes * static_cast<size_t>(row), plane + static_cast<ptrdiff_t>(row) * stride,
                    rowBytes);
    }
    return image;
}

bool looksLikeHeif(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char start[12] = {};
    if (!file.read(start, sizeof start)) return false;
    return heif_check_filetype(reinterpret_cast<const uint8_t*>(start), sizeof start) == heif_filetype_yes_supported;
}

}  // namespace

std::optional<RgbaImage> ImageReader::read(const std::string& path) {
    silenceLeptonica();
    if (looksLikeHeif(path)) return readWithLibheif(path);
    return readWithLeptonica(path);
}

}  // namespace ordane::platform
