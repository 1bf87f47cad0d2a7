#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane::json {

// Compact JSON text appended to `out`, much faster than `dump` for large numeric arrays, so big
// files can be written value by value. Same rules as dumpCompact, and stricter: throws
// EncodingError for text that is not UTF-8 and for numbers that are not finite (which `dump`
// would write as null). On a throw `out` may hold part of the value.
void appendCompact(std::string& out, const Json& value);
// A JSON string literal.
void appendString(std::string& out, std::string_view text);
// The shortest text that reads back as `value`; always with "." or an exponent.
void appendNumber(std::string& out, double value);
// The shortest text that reads back as this float.
void appendFloat32(std::string& out, float value);
void appendInteger(std::string& out, int64_t value);
void appendInteger(std::string& out, uint64_t value);

// How many leading bytes of `text` stand in a JSON string as they are: none of '"', '\\' or a
// control character. Eight bytes at a time; shared by the reader and the writer.
size_t plainRunLength(std::string_view text);

}  // namespace ordane::json
