#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ordane {

// A file URL: an absolute path plus whether it names a folder. The path is kept as given (not
// standardized) but for a trailing "/", which `path()` never has (except the root).
class URL {
public:
    URL() = default;

    // Makes the URL of an absolute path; a relative path is taken from the root.
    static URL fileURL(std::string_view path, bool isDirectory = false);
    // Reads "file:///…" (or "file://localhost/…"), percent-decoded; a trailing "/" marks a folder.
    static std::optional<URL> fromAbsoluteString(std::string_view text);

    const std::string& path() const { return path_; }
    bool isDirectory() const { return isDirectory_; }
    // "file://" + the percent-encoded path, with "/" after a folder.
    std::string absoluteString() const;

    // "." and ".." resolved lexically, links untouched.
    URL standardized() const;
    std::string lastPathComponent() const;
    // The lower-cased extension of the last component ("" when none).
    std::string pathExtension() const;
    URL deletingLastPathComponent() const;
    URL appendingPathComponent(std::string_view component, bool isDirectory = false) const;

    bool operator==(const URL&) const = default;
    auto operator<=>(const URL&) const = default;

private:
    std::string path_ = "/";
    bool isDirectory_ = false;
};

}  // namespace ordane

template <>
struct std::hash<ordane::URL> {
    size_t operator()(const ordane::URL& url) const noexcept {
        return std::hash<std::string>{}(url.path()) ^ static_cast<size_t>(url.isDirectory());
    }
};
