#include "OrdaneRecognition/Extraction/FileMetadata.hpp"

#include "OrdanePlatform/Metadata/EmbeddedMetadata.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

bool FileMetadata::namesScreenCaptureTool(std::string_view software) {
    using platform::text::Regex;
    using platform::text::RegexOptions;
    static const Regex tools(R"(\b(gnome[ _-]?screenshot|shutter)\b)",
                             RegexOptions::caseInsensitive);
    return tools.countMatches(software) > 0;
}

std::optional<FileMetadata> FileMetadata::read(const URL& url) {
    using platform::EmbeddedMetadataReader;
    const std::string ext = url.pathExtension();
    std::optional<platform::EmbeddedMetadata> embedded;
    if (ext == "png" || ext == "jpg" || ext == "jpeg") {  // no Linux capture tool marks a HEIC
        embedded = EmbeddedMetadataReader::readImage(url.path());
    } else if (ext == "pdf") {
        embedded = EmbeddedMetadataReader::readPdf(url.path());
    } else if (ext == "docx") {
        embedded = EmbeddedMetadataReader::readDocx(url.path());
    }
    if (!embedded) return std::nullopt;

    FileMetadata metadata;
    metadata.isScreenCapture = (embedded->software && namesScreenCaptureTool(*embedded->software)) ||
                               embedded->userComment == "Screenshot";
    metadata.title = embedded->title;
    metadata.authors = embedded->authors;
    metadata.pageCount = embedded->pageCount;
    metadata.creatorApp = embedded->software;
    return metadata;
}

}  // namespace ordane
