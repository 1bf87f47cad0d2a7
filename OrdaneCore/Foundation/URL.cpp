#include "OrdaneCore/Foundation/URL.hpp"

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Path/PercentEncoding.hpp"

namespace ordane {

namespace path = platform::path;

URL URL::fileURL(std::string_view text, bool isDirectory) {
    URL url;
    // One copy for the usual absolute path.
    url.path_ = (!text.empty() && text.front() == '/') ? path::withoutTrailingSlash(text)
                                                        : path::withoutTrailingSlash("/" + std::string(text));
    url.isDirectory_ = isDirectory;
    return url;
}

std::optional<URL> URL::fromAbsoluteString(std::string_view text) {
    constexpr std::string_view scheme = "file://";
    if (text.substr(0, scheme.size()) != scheme) return std::nullopt;
    text.remove_prefix(scheme.size());
    if (text.substr(0, 9) == "localhost") text.remove_prefix(9);
    if (text.empty() || text.front() != '/') return std::nullopt;
    auto decoded = path::percentDecoded(text);
    if (!decoded || decoded->find('\0') != std::string::npos) return std::nullopt;
    bool directory = decoded->size() > 1 && decoded->back() == '/';
    return fileURL(*decoded, directory || *decoded == "/");
}

std::string URL::absoluteString() const {
    std::string result = "file://" + path::percentEncoded(path_);
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
