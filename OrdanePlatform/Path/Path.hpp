#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Lexical path handling: no link resolution, no file system access.
// Every part of Ordane that slices paths goes through here.
namespace ordane::platform::path {

// Resolves "." and "..", collapses repeated "/", and drops a trailing "/"
// (the root stays "/"). A relative path stays relative; ".." above the root is dropped.
std::string standardized(std::string_view path);

// Drops a trailing "/" (but keeps the root "/") without resolving anything.
std::string withoutTrailingSlash(std::string_view path);

// True when `path` lies strictly below `folder`: it begins with the folder's path followed by "/".
// Both are compared as given; standardize first where needed.
bool isInside(std::string_view path, std::string_view folder);

// True when `path` equals `folder` or lies below it.
bool isSameOrInside(std::string_view path, std::string_view folder);

// What follows `folder` in `path`: "" when they are equal, the rest after the separating "/" when
// `path` lies below it, and nothing otherwise ("/home/annie" is not "ie" inside "/home/ann"). Both
// are compared as given; standardize first where needed. The root contains every absolute path.
std::optional<std::string> relativePath(std::string_view path, std::string_view folder);

// The text after the last "/" ("" for the root, the whole text without a "/").
std::string lastComponent(std::string_view path);

// Everything before the last "/" ("/" for an item in the root, "" without a "/").
std::string parent(std::string_view path);

// Where the last `c` is in `text`, npos when nowhere. Asked of every path a walk meets (for its
// folder): memrchr, as string_view::rfind goes a byte at a time.
size_t lastIndexOf(std::string_view text, char c);

// Joins a folder path and a component with exactly one "/".
std::string appending(std::string_view folder, std::string_view component);

// Extension of a file name or path: the text after the last "." of the last component, when that "."
// is neither the first nor the last character of the component; lower-cased (root locale). "" when
// none.
std::string extension(std::string_view path);

// Extension as written (not lower-cased); "" when none.
std::string extensionAsWritten(std::string_view path);

// The extension of a single name (no "/") as written, within it; "" when none. When it is ASCII,
// extension() is the same text with A-Z lowered, of the same length: names compared with a few
// known extensions are mostly told apart by that length without a copy.
struct NameExtension {
    std::string_view written;
    bool ascii = true;
};
// With `longest`, an extension that cannot be that short once lower-cased (it ends in more ASCII
// bytes) comes back as none, told from the name's end: for callers that know only short ones.
NameExtension nameExtension(std::string_view name, size_t longest = std::string_view::npos);

// The last component without its extension (and without the ".").
std::string stem(std::string_view path);

}  // namespace ordane::platform::path
