#include "OrdanePlatform/Path/Path.hpp"

#include <algorithm>

#include <cstdint>
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

std::string_view lastComponentView(std::string_view path) {
    path = trimmed(path);
    if (path == "/") return {};
    size_t slash = lastIndexOf(path, '/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

size_t lastIndexOf(std::string_view text, char c) {
    if (text.empty()) return std::string_view::npos;
    const void* found = ::memrchr(text.data(), c, text.size());
    return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : std::string_view::npos;
}

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

// The dot before a name's extension (npos when it has none) and whether the bytes after it are
// ASCII. With `longest`, an ASCII extension longer than that counts as none. Sought from the end
// a byte at a time: extensions are short, so this stops after a few bytes, in fewer steps than
// a call to memrchr takes.
struct ExtensionDot {
    size_t at = std::string_view::npos;
    bool ascii = true;
};

ExtensionDot extensionDot(std::string_view name, size_t longest = std::string_view::npos) {
    size_t stop = longest < name.size() ? name.size() - longest - 1 : 0;
    unsigned char bytes = 0;  // of all bytes after `i`
    size_t i = name.size();
    // Most extensions are found in the last eight bytes, read as one number.
    if (name.size() >= 8 && stop + 8 <= name.size()) {
        uint64_t word;
        std::memcpy(&word, name.data() + name.size() - 8, 8);
        constexpr uint64_t low7 = 0x7f7f7f7f7f7f7f7fULL;
        uint64_t other = word ^ 0x2e2e2e2e2e2e2e2eULL;                  // a zero byte where a "."
        uint64_t dots = ~(((other & low7) + low7) | other | low7);    // its high bit set there alone
        if (dots != 0) {
            int last = (63 - __builtin_clzll(dots)) / 8;  // the last "." (little-endian: later is higher)
            size_t at = name.size() - 8 + static_cast<size_t>(last);
            if (last == 7 || at == 0) return {};
            bool ascii = ((word >> (8 * (last + 1))) & 0x8080808080808080ULL) == 0;
            return {at, ascii};
        }
        for (int k = 0; k < 8; ++k) bytes |= static_cast<unsigned char>(word >> (8 * k));
        i -= 8;
    }
    while (i > stop) {
        auto c = static_cast<unsigned char>(name[--i]);
        if (c == '.') return {i == 0 || i + 1 == name.size() ? std::string_view::npos : i, bytes < 0x80};
        bytes |= c;
    }
    // Lower-cased, ASCII bytes stay one byte each: after an ASCII end without a dot, any
    // extension is longer than `longest`. Other bytes may shrink, so the rest is searched too.
    if (i == 0 || bytes < 0x80) return {};
    size_t dot = lastIndexOf(name.substr(0, i), '.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return {dot, false};
}

}  // namespace

std::string extensionAsWritten(std::string_view path) {
    std::string_view name = lastComponentView(path);
    size_t dot = extensionDot(name).at;
    return dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
}

NameExtension nameExtension(std::string_view name, size_t longest) {
    ExtensionDot dot = extensionDot(name, longest);
    if (dot.at == std::string_view::npos) return {};
    return {name.substr(dot.at + 1), dot.ascii};
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
    size_t dot = extensionDot(name).at;
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace ordane::platform::path
