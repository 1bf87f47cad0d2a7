#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"

namespace ordane {

// A few facts a file records about itself: whether a screen-capture tool made it, and its title,
// authors, page count and creating application. Linux keeps no index of such facts, so they are
// read from the file: PNG text chunks, XMP and Exif of pictures, the information dictionary of a
// PDF, the properties of a Word document.
struct FileMetadata {
    bool isScreenCapture = false;
    std::optional<std::string> screenCaptureType;  // no Linux tool records one
    std::optional<std::string> title;
    std::vector<std::string> authors;
    std::optional<int64_t> pageCount;
    std::optional<std::string> creatorApp;

    bool operator==(const FileMetadata&) const = default;

    // Nothing when the file carries none of the fields, cannot be read, or is of another kind
    // (by its lower-cased extension: png, jpg, jpeg, heic, pdf, docx).
    static std::optional<FileMetadata> read(const URL& url);

    // Whether a software field names a screen-capture tool of the Linux desktops. Only GNOME's
    // (Shell and gnome-screenshot write "gnome-screenshot") and Shutter mark their PNGs; Spectacle,
    // Flameshot, ksnip, xfce4-screenshooter, grim and scrot write no Software text.
    static bool namesScreenCaptureTool(std::string_view software);
};

}  // namespace ordane
