#include "OrdanePlatform/Path/Path.hpp"

#include <algorithm>

#include <cstring>
#include <vector>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform::path {

std::string standardized(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == ".") {
            // nothing
        } else if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    if (absolute) result = "/";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result += '/';
        result += parts[i];
    }
    if (result.empty() && !absolute) result = path.empty() ? "" : ".";
    return result;
}

namespace {

// Views into the argument, so that the helpers below copy only their result (a scan calls them
// for every item).
std::string_view trimmed(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// string_view::rfind goes a byte at a time; a walk asks this of every item's path.
size_t lastIndexOf(std::string_view text, char c) {
    if (text.empty()) return std::string_view::npos;
    const void* found = ::memrchr(text.data(), c, text.size());
    return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : std::string_view::npos;
}

std::string_view lastComponentView(std::string_view path) {
    path = trimmed(path);
    if (path == "/") return {};
    size_t slash = lastIndexOf(path, '/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string withoutTrailingSlash(std::string_view path) { return std::string(trimmed(path)); }

bool isInside(std::string_view path, std::string_view folder) {
    if (folder == "/") return path.size() > 1 && path.front() == '/';
    return path.size() > folder.size() + 1 && path.substr(0, folder.size()) == folder &&
           path[folder.size()] == '/';
}

bool isSameOrInside(std::string_view path, std::string_view folder) {
    return path == folder || isInside(path, folder);
}

std::optional<std::string> relativePath(std::string_view path, std::string_view folder) {
    if (path == folder) return std::string();
    if (!isInside(path, folder)) return std::nullopt;
    return std::string(path.substr(folder == "/" ? 1 : folder.size() + 1));
}

std::string lastComponent(std::string_view path) { return std::string(lastComponentView(path)); }

std::string parent(std::string_view path) {
    path = trimmed(path);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return "";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string appending(std::string_view folder, std::string_view component) {
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    std::string result;
    result.reserve(folder.size() + 1 + component.size());
    result += folder;
    if (result.empty() || result.back() != '/') result += '/';
    result += component;
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

namespace {
size_t extensionDot(std::string_view name) {
    size_t dot = lastIndexOf(name, '.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return std::string_view::npos;
    return dot;
}
}  // namespace

std::string extensionAsWritten(std::string_view path) {
    std::string_view name = lastComponentView(path);
    size_t dot = extensionDot(name);
    return dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
}

NameExtension nameExtension(std::string_view name) {
    size_t dot = extensionDot(name);
    if (dot == std::string_view::npos) return {};
    NameExtension extension{name.substr(dot + 1)};
    extension.ascii = std::all_of(extension.written.begin(), extension.written.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return extension;
}

std::string extension(std::string_view path) {
    std::string ext = extensionAsWritten(path);
    for (char& c : ext) {
        if (static_cast<unsigned char>(c) >= 0x80) return text::lowerCased(ext);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

std::string stem(std::string_view path) {
    std::string name = lastComponent(path);
    size_t dot = extensionDot(name);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace ordane::platform::path
