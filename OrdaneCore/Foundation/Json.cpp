#include "OrdaneCore/Foundation/Json.hpp"

#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"
#include "OrdanePlatform/Path/PercentEncoding.hpp"
#include "OrdanePlatform/Text/Text.hpp"

#include <cmath>
#include <limits>

namespace ordane::json {

Json parse(std::string_view text) {
    // nlohmann stops at a NUL byte, so "{}\0garbage" would pass; no JSON text holds one.
    if (text.find('\0') != std::string_view::npos) throw DecodingError("Malformed JSON: a NUL byte");
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError(std::string("Malformed JSON: ") + error.what());
    }
}

namespace {
std::string dump(const Json& value, int indent) {
    try {
        return value.dump(indent, ' ', false, Json::error_handler_t::strict);
    } catch (const nlohmann::json::exception& error) {
        throw EncodingError(std::string("Cannot write JSON: ") + error.what());
    }
}
}  // namespace

std::string dumpCompact(const Json& value) { return dump(value, -1); }

std::string dumpPretty(const Json& value) { return dump(value, 2); }

bool isValidUTF8(std::string_view text) { return platform::text::isValidUTF8(text); }

void requireObject(const Json& value, std::string_view what) {
    if (!value.is_object()) throw DecodingError("Expected an object for " + std::string(what));
}

const Json& field(const Json& object, std::string_view key) {
    requireObject(object, key);
    auto it = object.find(key);
    if (it == object.end()) throw DecodingError("Missing key \"" + std::string(key) + "\"");
    return *it;
}

const Json* optionalField(const Json& object, std::string_view key) {
    requireObject(object, key);
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

std::string string(const Json& value) {
    if (!value.is_string()) throw DecodingError("Expected a string");
    return value.get<std::string>();
}

bool boolean(const Json& value) {
    if (!value.is_boolean()) throw DecodingError("Expected a Boolean");
    return value.get<bool>();
}

int64_t int64(const Json& value) {
    if (value.is_number_unsigned()) {
        auto raw = value.get<uint64_t>();
        if (raw > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
            throw DecodingError("Integer out of range");
        }
        return static_cast<int64_t>(raw);
    }
    if (value.is_number_integer()) return value.get<int64_t>();
    throw DecodingError("Expected an integer");
}

uint64_t uint64(const Json& value) {
    if (value.is_number_unsigned()) return value.get<uint64_t>();
    if (value.is_number_integer()) throw DecodingError("Expected a non-negative integer");
    throw DecodingError("Expected an unsigned integer");
}

double number(const Json& value) {
    if (!value.is_number()) throw DecodingError("Expected a number");
    double result = value.get<double>();
    if (!std::isfinite(result)) throw DecodingError("Expected a finite number");
    return result;
}

float float32(const Json& value) { return float32FromDouble(number(value)); }

float float32FromDouble(double wide) {
    // The shortest decimal of the largest float (3.4028235e38) lies above it and still rounds to
    // it; only from half a float step above the largest float does a number round to infinity.
    constexpr double largestFloat = std::numeric_limits<float>::max();
    constexpr double roundsToInfinity = largestFloat + 0x1p103;
    if (std::fabs(wide) >= roundsToInfinity) throw DecodingError("Number out of range for a 32-bit float");
    return static_cast<float>(wide);
}

Date date(const Json& value) { return Date{number(value)}; }

UUID uuid(const Json& value) {
    auto result = UUID::fromString(string(value));
    if (!result) throw DecodingError("Expected a UUID");
    return *result;
}

URL url(const Json& value) {
    auto result = URL::fromAbsoluteString(string(value));
    if (!result) throw DecodingError("Expected an absolute file URL");
    return *result;
}

Json stringValue(std::string_view text) {
    if (!isValidUTF8(text)) throw EncodingError("Text is not valid UTF-8");
    return Json(std::string(text));
}

namespace {
constexpr std::string_view encodedPathPrefix = "file://";
}

Json filePathValue(std::string_view path) {
    if (isValidUTF8(path) && !path.starts_with(encodedPathPrefix)) return Json(std::string(path));
    return Json(std::string(encodedPathPrefix) + platform::path::percentEncoded(path));
}

std::string filePath(const Json& value) {
    std::string text = string(value);
    if (!text.starts_with(encodedPathPrefix)) return text;
    auto decoded = platform::path::percentDecoded(std::string_view(text).substr(encodedPathPrefix.size()));
    if (!decoded) throw DecodingError("Malformed path \"" + text + "\"");
    return *decoded;
}

Json numberValue(double value) {
    if (!std::isfinite(value)) throw EncodingError("Cannot write a number that is not finite");
    return Json(value);
}

Json float32Value(float value) {
    // Held as the double of the digits the compact writer prints, so that every writer prints
    // those same shortest digits and they read back as this float.
    std::string digits;
    appendFloat32(digits, value);
    return Json(JsonReader::parseDouble(digits));
}

Json dateValue(Date value) { return numberValue(value.secondsSinceReferenceDate); }

Json uuidValue(const UUID& id) { return Json(id.uuidString()); }

Json urlValue(const URL& value) { return Json(value.absoluteString()); }

TaggedCase taggedCase(const Json& value) {
    if (!value.is_object()) throw DecodingError("Expected an object for a tagged value");
    if (value.size() != 1) throw DecodingError(std::string(invalidKeyCountMessage));
    auto it = value.begin();
    if (!it.value().is_object()) throw DecodingError("Expected an object for case \"" + it.key() + "\"");
    return TaggedCase{it.key(), &it.value()};
}

Json tagged(std::string_view caseName, Json payload) {
    Json result = Json::object();
    result[std::string(caseName)] = std::move(payload);
    return result;
}

const Json& unnamedField(const Json& payload) { return field(payload, "_0"); }

Json unnamed(Json value) {
    Json result = Json::object();
    result["_0"] = std::move(value);
    return result;
}

}  // namespace ordane::json
