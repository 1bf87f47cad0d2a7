#include "OrdanePlatform/Metadata/EmbeddedMetadata.hpp"

#include <exiv2/exiv2.hpp>
#include <pugixml.hpp>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <mutex>

#include "OrdanePlatform/Pdf/PdfDocument.hpp"
#include "OrdanePlatform/RichText/ZipArchive.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

constexpr size_t largestTextChunk = 1 << 20;
constexpr size_t largestInflatedText = 64 * 1024;
constexpr int64_t largestPropertiesPart = 1 << 20;

std::optional<std::string> nonBlank(std::string text) {
    std::string trimmed = text::trimming(text::validUTF8(text), &text::isWhitespaceOrNewline);
    if (trimmed.empty()) return std::nullopt;
    return trimmed;
}

void setIfAbsent(std::optional<std::string>& field, std::string value) {
    if (!field) field = nonBlank(std::move(value));
}

std::optional<std::string> inflated(std::string_view compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    char buffer[16 * 1024];
    int status = Z_OK;
    while (status == Z_OK && out.size() <= largestInflatedText) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || out.size() > largestInflatedText) return std::nullopt;
    return out;
}

uint32_t bigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// Keyword and UTF-8 text of one tEXt, zTXt or iTXt chunk; nothing for a damaged one.
std::optional<std::pair<std::string, std::string>> textChunk(std::string_view type, std::string_view data) {
    const size_t keywordEnd = data.find('\0');
    if (keywordEnd == std::string_view::npos || keywordEnd == 0) return std::nullopt;
    std::string keyword(data.substr(0, keywordEnd));
    std::string_view rest = data.substr(keywordEnd + 1);
    if (type == "tEXt") return std::pair{keyword, text::fromLatin1(rest)};
    if (type == "zTXt") {
        if (rest.empty() || rest[0] != 0) return std::nullopt;
        std::optional<std::string> text = inflated(rest.substr(1));
        if (!text) return std::nullopt;
        return std::pair{keyword, text::fromLatin1(*text)};
    }
    // iTXt: compression flag, method, language tag, translated keyword, text.
    if (rest.size() < 2) return std::nullopt;
    const bool compressed = rest[0] != 0;
    rest.remove_prefix(2);
    for (int field = 0; field < 2; ++field) {
        const size_t end = rest.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(end + 1);
    }
    if (!compressed) return std::pair{keyword, std::string(rest)};
    std::optional<std::string> text = inflated(rest);
    if (!text) return std::nullopt;
    return std::pair{keyword, *text};
}

void readPngTextChunks(const std::string& path, EmbeddedMetadata& metadata) {
    std::ifstream file(path, std::ios::binary);
    char signature[8];
    if (!file.read(signature, 8) || std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) != 0) return;
    unsigned char header[8];
    while (file.read(reinterpret_cast<char*>(header), 8)) {
        const uint32_t length = bigEndian32(header);
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (type == "IEND" || length > 0x7FFFFFFFu) return;
        const bool isText = type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (!isText || length > largestTextChunk) {
            file.seekg(std::streamoff{length} + 4, std::ios::cur);
            continue;
        }
        std::string data(length + 4, '\0');
        if (!file.read(data.data(), static_cast<std::streamsize>(data.size()))) return;
        const uint32_t storedCrc = bigEndian32(reinterpret_cast<const unsigned char*>(data.data() + length));
        data.resize(length);
        uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
        if (crc != storedCrc) continue;
        auto chunk = textChunk(type, data);
        if (!chunk) continue;
        if (chunk->first == "Software") setIfAbsent(metadata.software, chunk->second);
        if (chunk->first == "Title") setIfAbsent(metadata.title, chunk->second);
        if (chunk->first == "Author") {
            if (auto author = nonBlank(chunk->second)) metadata.authors.push_back(*author);
        }
    }
}

void prepareExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();  // not safe to run for the first time on two threads at once
    });
}

// A language alternative's default entry, or its first one.
std::string alternativeText(const Exiv2::Value& value) {
    if (const auto* alternatives = dynamic_cast<const Exiv2::LangAltValue*>(&value)) {
        auto found = alternatives->value_.find("x-default");
        if (found != alternatives->value_.end()) return found->second;
        if (!alternatives->value_.empty()) return alternatives->value_.begin()->second;
        return {};
    }
    return value.toString();
}

std::string xmpText(const Exiv2::XmpData& xmp, const char* key) {
    auto found = xmp.findKey(Exiv2::XmpKey(key));
    if (found == xmp.end()) return {};
    return alternativeText(found->value());
}

void readExiv2(const std::string& path, EmbeddedMetadata& metadata) {
    prepareExiv2();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
        if (!image.get()) return;
        image->readMetadata();
        const Exiv2::XmpData& xmp = image->xmpData();
        setIfAbsent(metadata.software, xmpText(xmp, "Xmp.xmp.CreatorTool"));
        setIfAbsent(metadata.software, xmpText(xmp, "Xmp.tiff.Software"));
        setIfAbsent(metadata.title, xmpText(xmp, "Xmp.dc.title"));
        setIfAbsent(metadata.userComment, xmpText(xmp, "Xmp.exif.UserComment"));
        auto creators = xmp.findKey(Exiv2::XmpKey("Xmp.dc.creator"));
        if (creators != xmp.end() && metadata.authors.empty()) {
            for (long i = 0; i < creators->count(); ++i) {
                if (auto author = nonBlank(creators->toString(i))) metadata.authors.push_back(*author);
            }
        }
        const Exiv2::ExifData& exif = image->exifData();
        auto software = exif.findKey(Exiv2::ExifKey("Exif.Image.Software"));
        if (software != exif.end()) setIfAbsent(metadata.software, software->toString());
        auto artist = exif.findKey(Exiv2::ExifKey("Exif.Image.Artist"));
        if (artist != exif.end() && metadata.authors.empty()) {
            if (auto author = nonBlank(artist->toString())) metadata.authors.push_back(*author);
        }
    } catch (const Exiv2::AnyError&) {
        // Not a format exiv2 knows, or damaged metadata: the fields read so far stand.
    } catch (const std::exception&) {
        // exiv2 also lets standard exceptions through for damaged files.
    }
}

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
    EmbeddedMetadata metadata;
    readPngTextChunks(path, metadata);
    readExiv2(path, metadata);
    return unlessEmpty(std::move(metadata));
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
        metadata.title = nonBlank(propertyText(core, "title"));
        if (auto creator = nonBlank(propertyText(core, "creator"))) metadata.authors.push_back(*creator);
    }
    pugi::xml_document app;
    if (auto part = archive->readMember("docProps/app.xml", largestPropertiesPart); part && app.load_string(part->c_str())) {
        metadata.software = nonBlank(propertyText(app, "Application"));
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
