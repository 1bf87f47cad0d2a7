#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Foundation/EnumCases.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"

namespace ordane {

// nlohmann's default object keeps keys sorted, which is what the pretty files need.
using Json = nlohmann::json;

// Stored JSON that does not have the expected shape. Nothing is guessed.
class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value that cannot be written (NaN, infinity, text that is not UTF-8).
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict readers and writers shared by every codec. Readers check the type (and range) before
// reading; writers refuse what could not be read back.
//
// Each stored value type has `Json toJson() const` and `static T fromJson(const Json&)`.
namespace json {

inline constexpr std::string_view invalidKeyCountMessage = "Invalid number of keys found, expected one.";

Json parse(std::string_view text);              // throws DecodingError
std::string dumpCompact(const Json& value);     // throws EncodingError
std::string dumpPretty(const Json& value);      // two-space indent, sorted keys; throws EncodingError
bool isValidUTF8(std::string_view text);

void requireObject(const Json& value, std::string_view what = "value");
const Json& field(const Json& object, std::string_view key);
// Absent or null gives nullptr.
const Json* optionalField(const Json& object, std::string_view key);

std::string string(const Json& value);
bool boolean(const Json& value);
int64_t int64(const Json& value);
uint64_t uint64(const Json& value);
double number(const Json& value);  // finite; integers accepted
float float32(const Json& value);  // finite and within float range
// A finite double read for a 32-bit float, refused (DecodingError) when it would round to infinity.
float float32FromDouble(double wide);
Date date(const Json& value);
UUID uuid(const Json& value);
URL url(const Json& value);

Json stringValue(std::string_view text);  // throws EncodingError when not UTF-8
Json numberValue(double value);           // shortest form; throws EncodingError when not finite
Json float32Value(float value);           // shortest form that reads back as the same float
Json dateValue(Date value);
Json uuidValue(const UUID& id);
Json urlValue(const URL& value);

// A file-system path as the stores keep it: unchanged when it is valid UTF-8, otherwise (and when
// it starts with "file://" itself, which no absolute path does) "file://" + its bytes
// percent-encoded, as in a URL. Read back byte for byte; throws DecodingError when malformed.
Json filePathValue(std::string_view path);
std::string filePath(const Json& value);

template <class E>
E enumeration(const Json& value) {
    auto result = enumFromRaw<E>(string(value));
    if (!result) throw DecodingError("Unknown case \"" + value.get<std::string>() + "\"");
    return *result;
}

template <class E>
Json enumValue(E value) {
    return Json(std::string(rawValue(value)));
}

template <class T, class Decode>
std::vector<T> array(const Json& value, Decode decode) {
    if (!value.is_array()) throw DecodingError("Expected an array");
    std::vector<T> result;
    result.reserve(value.size());
    for (const Json& element : value) result.push_back(decode(element));
    return result;
}

template <class T>
std::vector<T> array(const Json& value) {
    return array<T>(value, [](const Json& element) { return T::fromJson(element); });
}

template <class T, class Encode>
Json array(const std::vector<T>& values, Encode encode) {
    Json result = Json::array();
    for (const T& element : values) result.push_back(encode(element));
    return result;
}

template <class T>
Json array(const std::vector<T>& values) {
    return array(values, [](const T& element) { return element.toJson(); });
}

// Optional members: written only when present.
template <class T, class Encode>
void setOptional(Json& object, const char* key, const std::optional<T>& value, Encode encode) {
    if (value) object[key] = encode(*value);
}

template <class T, class Decode>
std::optional<T> optional(const Json& object, std::string_view key, Decode decode) {
    const Json* value = optionalField(object, key);
    if (!value) return std::nullopt;
    return decode(*value);
}

// Lists that are left out when empty and read as empty when absent.
template <class T, class Encode>
void setNonEmpty(Json& object, const char* key, const std::vector<T>& values, Encode encode) {
    if (!values.empty()) object[key] = array(values, encode);
}

template <class T, class Decode>
std::vector<T> optionalArray(const Json& object, std::string_view key, Decode decode) {
    const Json* value = optionalField(object, key);
    if (!value) return {};
    return array<T>(*value, decode);
}

// Tagged unions: an object with exactly one key, the case name. `payload` points into the value read.
struct TaggedCase {
    std::string name;
    const Json* payload;
};
TaggedCase taggedCase(const Json& value);
Json tagged(std::string_view caseName, Json payload = Json::object());
// A case with one unnamed field keeps it under "_0".
const Json& unnamedField(const Json& payload);
Json unnamed(Json value);

}  // namespace json
}  // namespace ordane
