#include "OrdanePlatform/Metadata/ImageMetadataReader.hpp"

#include <pugixml.hpp>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <unordered_map>

#include "OrdanePlatform/Metadata/BoundedFileReader.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

constexpr std::string_view xmpKeyword = "XML:com.adobe.xmp";

void setIfAbsent(std::optional<std::string>& field, std::string_view value) {
    if (!field) field = nonBlankText(value);
}

void addAuthor(std::vector<std::string>& authors, std::string_view value) {
    if (auto author = nonBlankText(value)) authors.push_back(*author);
}

// Each field from the first source that has it; authors as one list from one source.
EmbeddedMetadata merged(std::initializer_list<const EmbeddedMetadata*> sources) {
    EmbeddedMetadata result;
    for (const EmbeddedMetadata* source : sources) {
        if (!result.software) result.software = source->software;
        if (!result.userComment) result.userComment = source->userComment;
        if (!result.title) result.title = source->title;
        if (result.authors.empty()) result.authors = source->authors;
    }
    return result;
}

uint32_t bigEndian16(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (uint32_t{b[0]} << 8) | b[1];
}

uint32_t bigEndian32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// The text of a zlib stream, taking what it inflates to from `budget`; nothing for a damaged stream
// or one longer than what is left, which then spends the rest.
std::optional<std::string> inflated(std::string_view compressed, size_t& budget) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    char buffer[16 * 1024];
    int status = Z_OK;
    // One byte past the budget tells a stream that ends there from a longer one.
    while (status == Z_OK && out.size() <= budget) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = static_cast<uInt>(std::min(sizeof buffer, budget + 1 - out.size()));
        const uInt offered = stream.avail_out;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, offered - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || out.size() > budget) {
        budget -= std::min(budget, out.size());
        return std::nullopt;
    }
    budget -= out.size();
    return out;
}

// The keyword of a tEXt, zTXt or iTXt chunk; empty when it has none.
std::string_view keywordOf(std::string_view data) {
    const size_t end = data.find('\0');
    return end == std::string_view::npos ? std::string_view() : data.substr(0, end);
}

// The UTF-8 text of a tEXt, zTXt or iTXt chunk, from what follows its keyword; nothing for a
// damaged one. A compressed text is inflated within `budget`.
std::optional<std::string> chunkText(std::string_view type, std::string_view rest, size_t& budget) {
    if (type == "tEXt") return text::fromLatin1(rest);
    if (type == "zTXt") {
        if (rest.empty() || rest[0] != 0) return std::nullopt;
        std::optional<std::string> text = inflated(rest.substr(1), budget);
        if (!text) return std::nullopt;
        return text::fromLatin1(*text);
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
    if (!compressed) return std::string(rest);
    return inflated(rest, budget);
}

struct Sources {
    EmbeddedMetadata text;  // PNG text chunks
    EmbeddedMetadata xmp;
    EmbeddedMetadata exif;
    // One XMP packet is read, the first, damaged or not: a file of many would cost a parse each.
    bool xmpRead = false;
    size_t inflateBudget = ImageMetadataReader::inflateCap;

    void readXmp(std::optional<std::string_view> packet) {
        if (xmpRead) return;
        xmpRead = true;
        if (packet) ImageMetadataReader::readXmp(*packet, xmp);
    }

    EmbeddedMetadata result() const { return merged({&text, &xmp, &exif}); }
};

void readPngChunk(std::string_view type, std::string_view data, Sources& sources) {
    if (type == "eXIf") return ImageMetadataReader::readExif(data, sources.exif);
    const std::string_view keyword = keywordOf(data);
    const bool isXmp = keyword == xmpKeyword;
    // Only what is used is inflated, so other texts take nothing from the budget.
    const bool used = keyword == "Software" || keyword == "Title" || keyword == "Author" || (isXmp && !sources.xmpRead);
    if (!used) return;
    const std::optional<std::string> value = chunkText(type, data.substr(keyword.size() + 1), sources.inflateBudget);
    if (isXmp) return sources.readXmp(value);
    if (!value) return;
    if (keyword == "Software") setIfAbsent(sources.text.software, *value);
    if (keyword == "Title") setIfAbsent(sources.text.title, *value);
    if (keyword == "Author") addAuthor(sources.text.authors, *value);
}

// Chunks up to the image data: the writers that mark a picture put their text before it.
void readPng(BoundedFileReader& file, Sources& sources) {
    uint64_t offset = 8;
    while (auto header = file.read(offset, 8)) {
        const uint32_t length = bigEndian32(header->data());
        const std::string type(header->substr(4, 4));
        if (type == "IDAT" || type == "IEND" || length > 0x7FFFFFFFu) return;
        const bool wanted = type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "eXIf";
        if (wanted) {
            // Too long for what is left of the cap: skipped, as a damaged chunk is.
            if (auto data = file.read(offset + 8, size_t{length} + 4)) {
                const uint32_t storedCrc = bigEndian32(data->data() + length);
                uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
                crc = crc32(crc, reinterpret_cast<const Bytef*>(data->data()), length);
                if (crc == storedCrc) readPngChunk(type, data->substr(0, length), sources);
            }
        }
        offset += uint64_t{length} + 12;
    }
}

// Segments up to the start of the scan; Exif and XMP live in APP1 segments.
void readJpeg(BoundedFileReader& file, Sources& sources) {
    constexpr std::string_view exifSignature("Exif\0\0", 6);
    constexpr std::string_view xmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
    uint64_t offset = 2;
    while (auto marker = file.read(offset, 2)) {
        if (static_cast<unsigned char>((*marker)[0]) != 0xFF) return;
        const auto code = static_cast<unsigned char>((*marker)[1]);
        if (code == 0xFF) {  // fill byte
            offset += 1;
            continue;
        }
        if (code == 0xDA || code == 0xD9) return;  // start of scan, end of image
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD8)) {  // markers without a length
            offset += 2;
            continue;
        }
        auto lengthBytes = file.read(offset + 2, 2);
        if (!lengthBytes) return;
        const uint32_t length = bigEndian16(lengthBytes->data());
        if (length < 2) return;
        if (code == 0xE1) {
            if (auto payload = file.read(offset + 4, length - 2)) {
                if (payload->starts_with(exifSignature)) {
                    ImageMetadataReader::readExif(payload->substr(exifSignature.size()), sources.exif);
                } else if (payload->starts_with(xmpSignature)) {
                    sources.readXmp(payload->substr(xmpSignature.size()));
                }
            }
        }
        offset += 2 + uint64_t{length};
    }
}

// A TIFF structure of either byte order; every read is checked against its end.
class Tiff {
public:
    explicit Tiff(std::string_view bytes) : bytes_(bytes) {
        if (bytes.size() < 8) return;
        if (bytes.starts_with(std::string_view("II*\0", 4))) little_ = true;
        else if (!bytes.starts_with(std::string_view("MM\0*", 4))) return;
        valid_ = true;
    }
    bool valid() const { return valid_; }
    std::optional<uint32_t> u16(uint64_t at) const { return number(at, 2); }
    std::optional<uint32_t> u32(uint64_t at) const { return number(at, 4); }

    struct Entry {
        uint32_t tag, type, count;
        uint64_t at;  // of the entry
    };
    // The entries of the directory at `offset`, as many as fit.
    template <typename Visit>
    void forEachEntry(uint64_t offset, Visit visit) const {
        auto count = u16(offset);
        if (!count) return;
        for (uint32_t i = 0; i < *count; ++i) {
            const uint64_t at = offset + 2 + uint64_t{i} * 12;
            auto tag = u16(at), type = u16(at + 2), values = u32(at + 4);
            if (!tag || !type || !values) return;
            visit(Entry{*tag, *type, *values, at});
        }
    }
    // The bytes of an entry of one-byte values (ASCII, BYTE, UNDEFINED); nothing for another type.
    std::optional<std::string_view> bytesOf(const Entry& entry) const {
        if (entry.type != 1 && entry.type != 2 && entry.type != 7) return std::nullopt;
        uint64_t start = entry.at + 8;
        if (entry.count > 4) {
            auto offset = u32(entry.at + 8);
            if (!offset) return std::nullopt;
            start = *offset;
        }
        if (start > bytes_.size() || entry.count > bytes_.size() - start) return std::nullopt;
        return bytes_.substr(start, entry.count);
    }

private:
    std::optional<uint32_t> number(uint64_t at, int size) const {
        if (at > bytes_.size() || static_cast<uint64_t>(size) > bytes_.size() - at) return std::nullopt;
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_[at + (little_ ? size - 1 - i : i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    std::string_view bytes_;
    bool little_ = false;
    bool valid_ = false;
};

std::string_view beforeNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// An Exif user comment: eight bytes naming the character code, then the text. Only ASCII and
// the unnamed code are read; a capture tool writes one of those.
std::optional<std::string_view> userCommentText(std::string_view value) {
    if (value.size() < 8) return std::nullopt;
    const std::string_view code = value.substr(0, 8);
    if (code != std::string_view("ASCII\0\0\0", 8) && code != std::string_view("\0\0\0\0\0\0\0\0", 8)) return std::nullopt;
    return beforeNul(value.substr(8));
}

}  // namespace

void ImageMetadataReader::readExif(std::string_view bytes, EmbeddedMetadata& metadata) {
    constexpr uint32_t softwareTag = 0x0131, artistTag = 0x013B, exifDirectoryTag = 0x8769, userCommentTag = 0x9286;
    const Tiff tiff(bytes);
    if (!tiff.valid()) return;
    auto first = tiff.u32(4);
    if (!first) return;
    std::optional<uint32_t> exifDirectory;
    tiff.forEachEntry(*first, [&](const Tiff::Entry& entry) {
        if (entry.tag == softwareTag) {
            if (auto value = tiff.bytesOf(entry)) setIfAbsent(metadata.software, text::fromLatin1(beforeNul(*value)));
        } else if (entry.tag == artistTag && metadata.authors.empty()) {
            if (auto value = tiff.bytesOf(entry)) addAuthor(metadata.authors, text::fromLatin1(beforeNul(*value)));
        } else if (entry.tag == exifDirectoryTag && entry.type == 4 && entry.count == 1) {
            exifDirectory = tiff.u32(entry.at + 8);
        }
    });
    // Only the one directory it points to: no chain of pointers to follow.
    if (!exifDirectory || *exifDirectory == *first) return;
    tiff.forEachEntry(*exifDirectory, [&](const Tiff::Entry& entry) {
        if (entry.tag != userCommentTag) return;
        auto value = tiff.bytesOf(entry);
        if (auto comment = value ? userCommentText(*value) : std::nullopt) {
            setIfAbsent(metadata.userComment, text::fromLatin1(*comment));
        }
    });
}

namespace {

constexpr std::string_view rdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// The prefixes declared on one element and, through `outer`, on the elements around it. Each
// element's declarations are gathered once, so a name is resolved in one look-up per level
// however many attributes the levels carry.
class Namespaces {
public:
    Namespaces(const pugi::xml_node& element, const Namespaces* outer) : outer_(outer) {
        for (pugi::xml_attribute attribute : element.attributes()) {
            const std::string_view name = attribute.name();
            if (name.starts_with("xmlns:")) declared_.try_emplace(name.substr(6), attribute.value());
        }
    }

    // The namespace a prefix stands for here; nothing when none is declared.
    std::optional<std::string_view> namespaceOf(std::string_view prefix) const {
        for (const Namespaces* scope = this; scope; scope = scope->outer_) {
            auto found = scope->declared_.find(prefix);
            if (found != scope->declared_.end()) return found->second;
        }
        return std::nullopt;
    }
    bool isRdf(const pugi::xml_node& element, std::string_view local) const {
        const std::string_view name = element.name();
        const size_t colon = name.find(':');
        return colon != std::string_view::npos && name.substr(colon + 1) == local &&
               namespaceOf(name.substr(0, colon)) == rdfNamespace;
    }

private:
    const Namespaces* outer_;
    std::unordered_map<std::string_view, std::string_view> declared_;
};

// The texts of a property element: the items of an rdf:Alt (the default language first), Seq or
// Bag, or its own text.
std::vector<std::string> propertyValues(const pugi::xml_node& property, const Namespaces& propertyScope) {
    for (pugi::xml_node container : property.children()) {
        const Namespaces containerScope(container, &propertyScope);
        if (!containerScope.isRdf(container, "Alt") && !containerScope.isRdf(container, "Seq") &&
            !containerScope.isRdf(container, "Bag")) {
            continue;
        }
        // The defaults first, the last of them foremost, without moving the others for each.
        std::vector<std::string> values, others;
        for (pugi::xml_node item : container.children()) {
            if (!Namespaces(item, &containerScope).isRdf(item, "li")) continue;
            const bool isDefault = std::strcmp(item.attribute("xml:lang").value(), "x-default") == 0;
            (isDefault ? values : others).emplace_back(item.child_value());
        }
        std::reverse(values.begin(), values.end());
        values.insert(values.end(), std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()));
        return values;
    }
    return {property.child_value()};
}

struct XmpProperty {
    std::string_view namespaceURI;
    std::string_view name;
    void (*apply)(EmbeddedMetadata&, const std::vector<std::string>&);
};

void firstAsSoftware(EmbeddedMetadata& m, const std::vector<std::string>& v) { setIfAbsent(m.software, v.front()); }
void firstAsTitle(EmbeddedMetadata& m, const std::vector<std::string>& v) { setIfAbsent(m.title, v.front()); }
void firstAsComment(EmbeddedMetadata& m, const std::vector<std::string>& v) { setIfAbsent(m.userComment, v.front()); }
void allAsAuthors(EmbeddedMetadata& m, const std::vector<std::string>& v) {
    if (!m.authors.empty()) return;
    for (const std::string& value : v) addAuthor(m.authors, value);
}

// In order of preference where two give the same field.
const XmpProperty xmpProperties[] = {
    {"http://ns.adobe.com/xap/1.0/", "CreatorTool", firstAsSoftware},
    {"http://ns.adobe.com/tiff/1.0/", "Software", firstAsSoftware},
    {"http://purl.org/dc/elements/1.1/", "title", firstAsTitle},
    {"http://purl.org/dc/elements/1.1/", "creator", allAsAuthors},
    {"http://ns.adobe.com/exif/1.0/", "UserComment", firstAsComment},
};

// The property (its place in the list) a qualified name of an element or attribute stands for,
// in the scope of that element.
std::optional<size_t> xmpPropertyNamed(const Namespaces& scope, std::string_view qualifiedName) {
    const size_t colon = qualifiedName.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view local = qualifiedName.substr(colon + 1);
    for (size_t p = 0; p < std::size(xmpProperties); ++p) {
        if (local != xmpProperties[p].name) continue;
        if (scope.namespaceOf(qualifiedName.substr(0, colon)) == xmpProperties[p].namespaceURI) return p;
    }
    return std::nullopt;
}

}  // namespace

void ImageMetadataReader::readXmp(std::string_view packet, EmbeddedMetadata& metadata) {
    pugi::xml_document document;
    if (!document.load_buffer(packet.data(), packet.size(), pugi::parse_default, pugi::encoding_utf8)) return;
    // rdf:RDF is the root or sits in the x:xmpmeta wrapper.
    const pugi::xml_node root = document.document_element();
    const Namespaces rootScope(root, nullptr);
    pugi::xml_node rdf = root;
    std::optional<Namespaces> wrappedScope;
    if (!rootScope.isRdf(root, "RDF")) {
        rdf = {};
        for (pugi::xml_node child : root.children()) {
            wrappedScope.emplace(child, &rootScope);
            if (wrappedScope->isRdf(child, "RDF")) {
                rdf = child;
                break;
            }
        }
        if (!rdf) return;
    }
    const Namespaces& rdfScope = wrappedScope ? *wrappedScope : rootScope;
    // The values of each property in document order, gathered in one walk, then applied property
    // by property.
    std::array<std::vector<std::vector<std::string>>, std::size(xmpProperties)> found;
    for (pugi::xml_node description : rdf.children()) {
        const Namespaces descriptionScope(description, &rdfScope);
        if (!descriptionScope.isRdf(description, "Description")) continue;
        for (pugi::xml_attribute attribute : description.attributes()) {
            if (auto p = xmpPropertyNamed(descriptionScope, attribute.name())) found[*p].push_back({attribute.value()});
        }
        for (pugi::xml_node element : description.children()) {
            if (element.type() != pugi::node_element) continue;
            const Namespaces elementScope(element, &descriptionScope);
            auto p = xmpPropertyNamed(elementScope, element.name());
            if (!p) continue;
            std::vector<std::string> values = propertyValues(element, elementScope);
            if (!values.empty()) found[*p].push_back(std::move(values));
        }
    }
    for (size_t p = 0; p < std::size(xmpProperties); ++p) {
        for (const std::vector<std::string>& values : found[p]) xmpProperties[p].apply(metadata, values);
    }
}

std::optional<EmbeddedMetadata> ImageMetadataReader::read(const std::string& path) {
    BoundedFileReader file(path, readCap);
    auto signature = file.read(0, 8);
    if (!signature) return std::nullopt;
    Sources sources;
    if (*signature == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
        readPng(file, sources);
    } else if (signature->starts_with("\xFF\xD8")) {
        readJpeg(file, sources);
    } else {
        return std::nullopt;
    }
    EmbeddedMetadata metadata = sources.result();
    if (metadata.empty()) return std::nullopt;
    return metadata;
}

}  // namespace ordane::platform
