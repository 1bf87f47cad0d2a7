#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <functional>
#include <optional>

#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"
#include "Support/SeededRandom.hpp"

using namespace ordane;
using Random = ordane::testing::SeededRandom;

namespace {

const std::vector<std::string> stringPieces = {
    "a", "word", " ", "\\\"", "\\\\", "\\/", "\\b", "\\f", "\\n", "\\r", "\\t", "\\u00e9", "\\u00C9", "\\u0000",
    "\\ud83d\\ude00", "\\uD800\\uDC00", "\xc3\xa9", "\xf0\x9f\x98\x80", "\xe2\x86\x92", "\x7f", "|", "/home/u",
};

const std::vector<std::string> numberTexts = {
    "0", "-0", "1", "-1", "7", "4095", "4096", "9223372036854775807", "9223372036854775808",
    "-9223372036854775808", "-9223372036854775809", "18446744073709551615", "18446744073709551616",
    "123456789012345678901234567890", "0.5", "-0.0", "1.0", "1e5", "1E+5", "2.5e-3", "1e308", "1.7976931348623157e308",
    "1.7976931348623159e308", "1e309", "1e400", "-1e400", "1e-320", "4.9e-324", "2e-324", "1e-400", "3.4028235e+38",
    "3.4028236e+38", "7e8", "700000000.25", "0.1", "1e22", "1e23", "9007199254740993", "1e-7", "00", "1.", ".5", "+1",
    "1e", "-", "1.5e+", "0x10",
};

std::string randomString(Random& random) {
    std::string text = "\"";
    size_t pieces = random.below(6);
    for (size_t k = 0; k < pieces; ++k) text += random.pick(stringPieces);
    return text + "\"";
}

std::string randomNumber(Random& random) {
    if (random.percent(60)) return random.pick(numberTexts);
    char buffer[64];
    double value = std::bit_cast<double>(random.next());
    if (!std::isfinite(value)) value = static_cast<double>(random.next() % 100000) / 7.0;
    if (random.percent(50)) {
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value / 1e290)).ptr);
    }
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string space(Random& random) { return random.percent(20) ? random.pick(std::vector<std::string>{" ", "\n", "\t ", "\r\n"}) : ""; }

std::string randomValue(Random& random, int depth) {
    size_t kind = random.below(depth > 6 ? 5 : 7);
    switch (kind) {
        case 0: return randomString(random);
        case 1:
        case 2: return randomNumber(random);
        case 3: return random.pick(std::vector<std::string>{"true", "false", "null"});
        case 4: return random.percent(50) ? "[]" : "{}";
        case 5: {
            std::string text = "[" + space(random);
            size_t count = random.below(5);
            for (size_t k = 0; k < count; ++k) {
                if (k > 0) text += "," + space(random);
                text += randomValue(random, depth + 1) + space(random);
            }
            return text + "]";
        }
        default: {
            std::string text = "{" + space(random);
            size_t count = random.below(5);
            for (size_t k = 0; k < count; ++k) {
                if (k > 0) text += "," + space(random);
                text += randomString(random) + space(random) + ":" + space(random) + randomValue(random, depth + 1);
            }
            return text + space(random) + "}";
        }
    }
}

const std::vector<std::string> insertions = {
    "\"", "\\", "{", "}", "[", "]", ",", ":", "0", "9", "-", "+", ".", "e", "E", " ", "\n", "\x01", "\x80", "\xc3",
    "\xff", "\xed\xa0\x80", "\xc0\xaf", "\\u", "\\ud800", "\\udc00", "\\uZZZZ", "null", "tru", "1e400", "\xef\xbb\xbf",
};

std::string mutate(Random& random, std::string text) {
    size_t changes = 1 + random.below(3);
    for (size_t k = 0; k < changes; ++k) {
        size_t at = text.empty() ? 0 : random.below(text.size() + 1);
        switch (random.below(5)) {
            case 0:
                if (at < text.size()) text.erase(at, 1 + random.below(3));
                break;
            case 1: text.insert(at, random.pick(insertions)); break;
            case 2:
                if (at < text.size()) text[at] = static_cast<char>(random.next());
                break;
            case 3: text.resize(at); break;
            default:
                if (at < text.size()) text.insert(at, text.substr(at, random.below(8)));
        }
    }
    return text;
}

// The value as text with its number classes visible ("1" vs "1.0"), or nullopt when refused.
std::optional<std::string> viaTree(std::string_view text) {
    try {
        return json::parse(text).dump();
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

std::optional<std::string> viaReader(std::string_view text) {
    try {
        JsonReader reader(text);
        Json value = reader.readValue();
        reader.finish();
        return value.dump();
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

template <class T>
std::optional<T> attempt(const std::function<T()>& read) {
    try {
        return read();
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

template <class T>
void expectTypedReadAgrees(std::string_view text, T (*tree)(const Json&), T (JsonReader::*pull)()) {
    auto expected = attempt<T>([&] { return tree(json::parse(text)); });
    auto actual = attempt<T>([&] {
        JsonReader reader(text);
        T value = (reader.*pull)();
        reader.finish();
        return value;
    });
    EXPECT_EQ(actual, expected);
}

}  // namespace

TEST(JsonReaderFuzz, AcceptsAndRefusesExactlyWhatTheTreeParserDoes) {
    Random random{0x9E3779B97F4A7C15ull};
    for (int round = 0; round < 8000; ++round) {
        std::string text = randomValue(random, 0);
        if (round % 4 != 0) text = mutate(random, text);
        SCOPED_TRACE(text);
        EXPECT_EQ(viaReader(text), viaTree(text));
        if (text.size() < 40) {
            expectTypedReadAgrees<int64_t>(text, json::int64, &JsonReader::readInt64);
            expectTypedReadAgrees<uint64_t>(text, json::uint64, &JsonReader::readUInt64);
            expectTypedReadAgrees<double>(text, json::number, &JsonReader::readDouble);
            expectTypedReadAgrees<std::string>(text, json::string, &JsonReader::readString);
        }
        if (::testing::Test::HasFailure()) break;
    }
}
