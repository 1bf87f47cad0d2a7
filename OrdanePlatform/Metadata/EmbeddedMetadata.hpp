#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordane::platform {

// Facts a file carries about itself: the program that made it, a title, authors, a comment and,
// for paged documents, the page count. Text fields are never blank.
struct EmbeddedMetadata {
    std::optional<std::string> software;     // PNG "Software", Exif or XMP software, PDF creator, docx application
    std::optional<std::string> userComment;  // XMP exif:UserComment
    std::optional<std::string> title;
    std::vector<std::string> authors;
    std::optional<int64_t> pageCount;

    bool empty() const {
        return !software && !userComment && !title && authors.empty() && !pageCount;
    }
    bool operator==(const EmbeddedMetadata&) const = default;
};

// The text as a field holds it: valid UTF-8, trimmed; nothing when blank.
std::optional<std::string> nonBlankText(std::string_view value);

// Readers of embedded metadata. Each gives nothing when the file cannot be read or carries none
// of the fields; a damaged field is left out without affecting the others.
class EmbeddedMetadataReader {
public:
    // PNG text chunks (tEXt, zTXt, iTXt: Software, Title, Author), and the XMP and Exif fields of
    // PNG and JPEG, read within a fixed number of bytes (ImageMetadataReader).
    static std::optional<EmbeddedMetadata> readImage(const std::string& path);
    // The document information dictionary and page count, through poppler; nothing when locked.
    static std::optional<EmbeddedMetadata> readPdf(const std::string& path);
    // The core properties (title, creator) and the application properties (application, pages).
    static std::optional<EmbeddedMetadata> readDocx(const std::string& path);
};

}  // namespace ordane::platform
