#include "OrdanePlatform/Metadata/EmbeddedMetadata.hpp"

#include <pugixml.hpp>

#include <charconv>
#include <cstring>

#include "OrdanePlatform/Metadata/ImageMetadataReader.hpp"
#include "OrdanePlatform/Pdf/PdfDocument.hpp"
#include "OrdanePlatform/RichText/ZipArchive.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

std::optional<std::string> nonBlankText(std::string_view value) {
    std::string trimmed = text::trimming(text::validUTF8(std::string(value)), &text::isWhitespaceOrNewline);
    if (trimmed.empty()) return std::nullopt;
    return trimmed;
}

namespace {

constexpr int64_t largestPropertiesPart = 1 << 20;

std::optional<EmbeddedMetadata> unlessEmpty(EmbeddedMetadata metadata) {
    if (metadata.empty()) return std::nullopt;
    return metadata;
}

const char* localName(const pugi::xml_node& node) {
    const char* colon = std::strrchr(node.name(), ':');
    return colon ? colon + 1 : node.name();
}

// The text of the first child of the root element with this local name.
std::string propertyText(const pugi::xml_document& document, const char* name) {
    for (pugi::xml_node child : document.document_element().children()) {
        if (std::strcmp(localName(child), name) == 0) return child.text().get();
    }
    return {};
}

}  // namespace

std::optional<EmbeddedMetadata> EmbeddedMetadataReader::readImage(const std::string& path) {
    return ImageMetadataReader::read(path);
}

std::optional<EmbeddedMetadata> EmbeddedMetadataReader::readPdf(const std::string& path) {
    std::unique_ptr<PdfDocument> document = PdfDocument::open(path);
    if (!document || document->isLocked()) return std::nullopt;
    EmbeddedMetadata metadata;
    metadata.title = document->title();
    if (auto author = document->author()) metadata.authors.push_back(*author);
    metadata.software = document->creator();
    metadata.pageCount = document->pageCount();
    return unlessEmpty(std::move(metadata));
}

std::optional<EmbeddedMetadata> EmbeddedMetadataReader::readDocx(const std::string& path) {
    std::unique_ptr<ZipArchive> archive = ZipArchive::open(path);
    if (!archive) return std::nullopt;
    EmbeddedMetadata metadata;
    pugi::xml_document core;
    if (auto part = archive->readMember("docProps/core.xml", largestPropertiesPart); part && core.load_string(part->c_str())) {
        metadata.title = nonBlankText(propertyText(core, "title"));
        if (auto creator = nonBlankText(propertyText(core, "creator"))) metadata.authors.push_back(*creator);
    }
    pugi::xml_document app;
    if (auto part = archive->readMember("docProps/app.xml", largestPropertiesPart); part && app.load_string(part->c_str())) {
        metadata.software = nonBlankText(propertyText(app, "Application"));
        const std::string pages = propertyText(app, "Pages");
        int64_t count = 0;
        if (!pages.empty() && std::from_chars(pages.data(), pages.data() + pages.size(), count).ec == std::errc() &&
            count >= 0) {
            metadata.pageCount = count;
        }
    }
    return unlessEmpty(std::move(metadata));
}

}  // namespace ordane::platform
