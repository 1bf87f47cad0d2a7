#include "OrdaneCore/Foundation/URL.hpp"

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

bool isUnescapedInPath(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '-': case '.': case '_': case '~': case '!': case '$': case '&': case '\'': case '(':
        case ')': case '*': case '+': case ',': case ';': case '=': case ':': case '@': case '/':
            return true;
        default:
            return false;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int high = hexValue(text[i + 1]);
        int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        result += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return result;
}

}  // namespace

URL URL::fileURL(std::string_view text, bool isDirectory) {
    URL url;
    std::string absolute = (!text.empty() && text.front() == '/') ? std::string(text) : "/" + std::string(text);
    url.path_ = path::withoutTrailingSlash(absolute);
    url.isDirectory_ = isDirectory;
    return url;
}

std::optional<URL> URL::fromAbsoluteString(std::string_view text) {
    constexpr std::string_view scheme = "file://";
    if (text.substr(0, scheme.size()) != scheme) return std::nullopt;
    text.remove_prefix(scheme.size());
    if (text.substr(0, 9) == "localhost") text.remove_prefix(9);
    if (text.empty() || text.front() != '/') return std::nullopt;
    auto decoded = percentDecoded(text);
    if (!decoded || decoded->find('\0') != std::string::npos) return std::nullopt;
    bool directory = decoded->size() > 1 && decoded->back() == '/';
    return fileURL(*decoded, directory || *decoded == "/");
}

std::string URL::absoluteString() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string result = "file://";
    result.reserve(path_.size() + 8);
    for (unsigned char c : path_) {
        if (isUnescapedInPath(c)) {
            result += static_cast<char>(c);
        } else {
            result += '%';
            result += digits[c >> 4];
            result += digits[c & 15];
        }
    }
    if (isDirectory_ && path_ != "/") result += '/';
    return result;
}

URL URL::standardized() const {
    URL url = *this;
    url.path_ = path::standardized(path_);
    return url;
}

std::string URL::lastPathComponent() const {
    return path_ == "/" ? "/" : path::lastComponent(path_);
}

std::string URL::pathExtension() const { return path::extension(path_); }

URL URL::deletingLastPathComponent() const {
    if (path_ == "/") return fileURL("/..", true);
    return fileURL(path::parent(path_), true);
}

URL URL::appendingPathComponent(std::string_view component, bool isDirectory) const {
    return fileURL(path::appending(path_, component), isDirectory);
}

}  // namespace ordane
