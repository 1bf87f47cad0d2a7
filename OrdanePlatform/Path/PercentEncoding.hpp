#pragma once

#include <optional>
#include <string>
#include <string_view>

// Percent-encoding of paths, as file URLs and trash info files write them.
namespace ordane::platform::path {

// Every byte outside the unreserved characters, the sub-delimiters, ":", "@" and "/" becomes "%XX"
// (upper-case hexadecimal).
std::string percentEncoded(std::string_view path);

// Undoes percent-encoding; none when a "%" is not followed by two hexadecimal digits.
std::optional<std::string> percentDecoded(std::string_view text);

}  // namespace ordane::platform::path
