#include "OrdanePlatform/RichText/DocxReader.hpp"

#include <pugixml.hpp>

#include <cstring>

#include "OrdanePlatform/RichText/ZipArchive.hpp"

namespace ordane::platform {

namespace {

// The element's name without its namespace prefix.
const char* localName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool named(const pugi::xml_node& node, const char* name) { return std::strcmp(localName(node), name) == 0; }

// Parts of the body that hold no text of the document: properties, and the second copy of
// content kept for older readers.
bool skipsChildren(const pugi::xml_node& node) {
    return named(node, "pPr") || named(node, "rPr") || named(node, "sectPr") || named(node, "Fallback") ||
           named(node, "delText") || named(node, "instrText");
}

void enter(const pugi::xml_node& node, std::string& text) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        if (named(node.parent(), "t")) text += node.value();
    } else if (node.type() == pugi::node_element) {
        if (named(node, "br") || named(node, "cr")) {
            text += '\n';
        } else if (named(node, "tab") && !named(node.parent(), "tabs")) {
            text += '\t';
        }
    }
}

void leave(const pugi::xml_node& node, std::string& text) {
    if (node.type() == pugi::node_element && named(node, "p")) text += '\n';
}

// Walks the body without recursion, so deep nesting costs no stack.
std::string bodyText(const pugi::xml_node& body) {
    std::string text;
    pugi::xml_node node = body.first_child();
    while (node) {
        enter(node, text);
        if (node.type() == pugi::node_element && !skipsChildren(node) && node.first_child()) {
            node = node.first_child();
            continue;
        }
        for (;;) {
            leave(node, text);
            if (node.next_sibling()) {
                node = node.next_sibling();
                break;
            }
            node = node.parent();
            if (node == body) {
                node = pugi::xml_node();
                break;
            }
        }
    }
    return text;
}

}  // namespace

std::optional<std::string> DocxReader::readText(const std::string& path, const Deadline& deadline) {
    std::unique_ptr<ZipArchive> archive = ZipArchive::open(path);
    if (!archive) return std::nullopt;
    std::optional<std::string> part = archive->readMember("word/document.xml", maxDocumentBytes, deadline);
    if (!part || deadline.reached()) return std::nullopt;
    pugi::xml_document document;
    if (!document.load_buffer_inplace(part->data(), part->size(), pugi::parse_default | pugi::parse_ws_pcdata)) {
        return std::nullopt;
    }
    pugi::xml_node root = document.document_element();
    if (!named(root, "document")) return std::nullopt;
    for (pugi::xml_node child : root.children()) {
        if (child.type() == pugi::node_element && named(child, "body")) {
            if (deadline.reached()) return std::nullopt;
            return bodyText(child);
        }
    }
    return std::nullopt;
}

}  // namespace ordane::platform
