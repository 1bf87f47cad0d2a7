#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <functional>
#include <optional>

#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"
#include "Support/SeededRandom.hpp"

using namespace ordane;
using Random = ordane::testing::SeededRandom;

namespace {
Json read(std::string_view text) {
    JsonReader reader(text);
    Json value = reader.readValue();
    reader.finish();
    return value;
}

std::string compact(const Json& value) {
    std::string out;
    json::appendCompact(out, value);
    return out;
}

const char* sample = R"( {"a": [1, -2, 18446744073709551615, -9223372036854775808, 18446744073709551616,
    0.5, -0.0, 1e-7, 2.5E+3, true, false, null, {}, []],
    "s": "tab\t quote\" slash\/ back\\ nl\n \u00e9 \ud83d\ude00 caf\u00C9 \u0001",
    "": {"nested": {"deeper": [[[]]]}}} )";

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
    "1e", "-", "1.5e+", "0x10", "2.0986123", "4.35e-300", "2.2250738585072014e-308", "0.30000000000000004",
    "1.00000000000000011102230246251565", "0.0000001e-320", "1234567890123456789", "12345678901234567890",
    "-1234567890123456789.5", "0.1234567890123456789", "1.5e0001", "1e00005", "1E-22", "1e-23", "-01", "0.0e0",
};

std::string randomString(Random& random) {
    std::string text = "\"";
    size_t pieces = random.below(6);
    for (size_t k = 0; k < pieces; ++k) text += random.pick(stringPieces);
    return text + "\"";
}

// Shortest forms of doubles and floats, and short decimals with exponents (the reader's fast path).
std::string randomNumber(Random& random) {
    if (random.percent(50)) return random.pick(numberTexts);
    if (random.percent(30)) {
        uint64_t n = random.next();
        return std::to_string(n % 100000) + "." + std::to_string(n % 9973) + "e-" + std::to_string(n % 25);
    }
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
    if (kind == 0) return randomString(random);
    if (kind <= 2) return randomNumber(random);
    if (kind == 3) return random.pick(std::vector<std::string>{"true", "false", "null"});
    if (kind == 4) return random.percent(50) ? "[]" : "{}";
    bool object = kind == 6;
    std::string text = (object ? "{" : "[") + space(random);
    for (size_t k = 0, count = random.below(5); k < count; ++k) {
        if (k > 0) text += "," + space(random);
        if (object) text += randomString(random) + space(random) + ":" + space(random);
        text += randomValue(random, depth + 1) + space(random);
    }
    return text + (object ? "}" : "]");
}

const std::vector<std::string> insertions = {
    "\"", "\\", "{", "}", "[", "]", ",", ":", "0", "9", "-", "+", ".", "e", "E", " ", "\n", "\x01", "\x80", "\xc3",
    "\xff", "\xed\xa0\x80", "\xc0\xaf", "\\u", "\\ud800", "\\udc00", "\\uZZZZ", "null", "tru", "1e400", "\xef\xbb\xbf",
};

// One to three erasures, insertions, overwritten bytes, truncations or repeats.
std::string mutate(Random& random, std::string text) {
    for (size_t k = 0, changes = 1 + random.below(3); k < changes; ++k) {
        size_t at = text.empty() ? 0 : random.below(text.size() + 1);
        size_t how = random.below(5);
        if (how == 1) text.insert(at, random.pick(insertions));
        else if (how == 3) text.resize(at);
        else if (at == text.size()) continue;
        else if (how == 0) text.erase(at, 1 + random.below(3));
        else if (how == 2) text[at] = static_cast<char>(random.next());
        else text.insert(at, text.substr(at, random.below(8)));
    }
    return text;
}

// The kinds of a value and of everything in it: the dump alone shows "1" for both integer classes.
std::string classes(const Json& value) {
    std::string out(1, static_cast<char>('a' + static_cast<int>(value.type())));
    if (value.is_structured()) {
        for (const Json& element : value) out += classes(element);
    }
    return out;
}

template <class T>
std::optional<T> attempt(const std::function<T()>& read) {
    try {
        return read();
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

// The typed reader accepts and refuses what reading the tree and then the type does.
template <class T>
void expectTypedReadAgrees(std::string_view text, T (*tree)(const Json&), T (JsonReader::*pull)()) {
    EXPECT_EQ(attempt<T>([&] {
                  JsonReader reader(text);
                  T value = (reader.*pull)();
                  reader.finish();
                  return value;
              }),
              attempt<T>([&] { return tree(json::parse(text)); }));
}

}  // namespace

TEST(JsonReader, WalksMembersOneByOneAndSkimsWhereEachValueEnds) {
    JsonReader reader(R"({"version": 3, "entries": {"/a": {"n": 1}, "/b": [2]}, "skipped": {"x": [1, {"y": 2}]},)"
                      R"( "a": [1, "]}\"", {"b": {}}], "c" : "x,}" , "d": -12.5e3, "e": {"f": "\\"}, "g": true})");
    std::vector<std::string> seen;
    reader.forEachMember([&](std::string_view key) {
        if (key == "entries") {
            reader.forEachMember([&](std::string_view path) {
                seen.push_back(std::string(path) + "=" + reader.readValue().dump());
            });
        } else if (key == "skipped") {
            reader.skipValue();
        } else if (key != "version") {
            seen.push_back(std::string(key) + "=" + std::string(reader.skimValue()));
        } else {
            EXPECT_EQ(reader.readInt64(), 3);
        }
    });
    reader.finish();
    EXPECT_EQ(seen, (std::vector<std::string>{"/a={\"n\":1}", "/b=[2]", R"(a=[1, "]}\"", {"b": {}}])", R"(c="x,}")",
                                              "d=-12.5e3", R"(e={"f": "\\"})", "g=true"}));
    // Long runs of numbers between brackets, as in stored term vectors.
    std::string numbers = "[";
    for (int i = 0; i < 300; ++i) numbers += std::to_string(i * 7) + (i % 37 == 0 ? ",[1.5e-3]," : ",");
    numbers += "{\"k\":\"v]\"}]";
    const std::string document = "{\"a\":" + numbers + ",\"b\":[0]}";
    JsonReader vectors(document);
    std::vector<std::string_view> found;
    vectors.forEachMember([&](std::string_view) { found.push_back(vectors.skimValue()); });
    EXPECT_EQ(found, (std::vector<std::string_view>{numbers, "[0]"}));
}

TEST(JsonReader, KeysWithEscapesAndRequiredMembersReadAsTheTreeReadsThem) {
    // An escaped key is decoded; a nested object's keys don't disturb the outer key being matched.
    JsonReader reader(R"({"k\u0065y\"1": {"\u00e9": 1, "plain": 2}, "key\"1": 3})");
    std::vector<std::string> keys;
    reader.forEachMember([&](std::string_view key) {
        keys.emplace_back(key);
        if (reader.readNull()) return;
        if (key == "key\"1" && keys.size() == 1) {
            reader.forEachMember([&](std::string_view inner) {
                keys.emplace_back(inner);
                (void)reader.readInt64();
            });
        } else {
            EXPECT_EQ(reader.readInt64(), 3);
        }
    });
    EXPECT_EQ(keys, (std::vector<std::string>{"key\"1", "\xc3\xa9", "plain", "key\"1"}));
    EXPECT_THROW(JsonReader("{\"\xff\": 1}").forEachMember([](std::string_view) {}), DecodingError);
    // After ASCII runs of every length around a word, a sequence is still checked whole.
    for (size_t prefix = 0; prefix < 20; ++prefix) {
        std::string ascii(prefix, 'k');
        for (std::string tail : {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}) {
            std::string key = ascii + tail + "z";
            std::vector<std::string> read;
            std::string text = "{\"" + key + "\": 1}";  // the reader only views it
            JsonReader reader(text);
            reader.forEachMember([&](std::string_view k) {
                read.emplace_back(k);
                (void)reader.readInt64();
            });
            EXPECT_EQ(read, std::vector<std::string>{key}) << prefix;
            // Cut short, split by ASCII, or an overlong form: refused.
            for (std::string bad : {tail.substr(0, tail.size() - 1), tail.substr(0, 1) + "a" + tail.substr(1), std::string("\xc0\xaf")}) {
                std::string refused = "{\"" + ascii + bad + "\": 1}";
                EXPECT_THROW(JsonReader(refused).forEachMember([](std::string_view) {}), DecodingError) << prefix;
            }
        }
    }

    for (std::string_view text : {"true", "false", "null", "1", "\"true\"", "tru", "[true]", "falsey"}) {
        SCOPED_TRACE(text);
        expectTypedReadAgrees<bool>(text, json::boolean, &JsonReader::readBool);
    }

    constexpr std::array<std::string_view, 2> required{"a", "b"};
    auto readPair = [&](std::string_view text) {
        std::pair<int64_t, bool> pair{};
        JsonReader pairs(text);
        pairs.readRequiredMembers(required, [&](size_t k) {
            if (k == 0) pair.first = pairs.readInt64();
            if (k == 1) pair.second = pairs.readBool();
        });
        pairs.finish();
        return pair;
    };
    EXPECT_EQ(readPair(R"({"x": [{}], "b": true, "a": 7})"), std::make_pair(int64_t{7}, true));
    EXPECT_EQ(readPair(R"({"a": 1, "b": false, "a": 2})"), std::make_pair(int64_t{2}, false));
    try {
        readPair(R"({"b": true, "c": 1})");
        ADD_FAILURE() << "a missing key was accepted";
    } catch (const DecodingError& error) {
        EXPECT_STREQ(error.what(), "Missing key \"a\"");
    }
    EXPECT_THROW(readPair(R"({"a": 1, "b": null})"), DecodingError);
    EXPECT_THROW(readPair(R"({"a": 1, "b": true, "x": tru})"), DecodingError);
    EXPECT_THROW(readPair(R"([1, true])"), DecodingError);
}

TEST(JsonReader, SkimEndFindsWhereAValueEndsOrThatTheTextStopsInsideIt) {
    constexpr size_t inside = std::string_view::npos;
    const std::pair<std::string_view, size_t> cases[] = {
        {R"("ab\"c" ,)", 7}, {R"("a\\" x)", 5}, {R"("ab\)", inside}, {R"("ab)", inside}, {R"("ab\")", inside},
        {"[1,[2]", inside},   {R"({"a":"}"}x)", 9}, {R"({"a":"}\"})", inside}, {"12", 2}, {"12,", 2},
        {"-1e5]", 4},         {"true }", 4},       {"", 0}};
    for (const auto& [text, end] : cases) EXPECT_EQ(JsonReader::skimEnd(text, 0), end) << text;
}

namespace {

// Where a skim ends, one byte at a time: a backslash in a string passes over the byte after it,
// brackets count only outside strings.
size_t skimEndByteByByte(std::string_view text, size_t position) {
    size_t depth = 0;
    bool inString = false;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        if (inString) {
            if (c == '\\') {
                ++position;
            } else if (c == '"') {
                inString = false;
                if (depth == 0) return position + 1;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0) return position;
            if (--depth == 0) return position + 1;
        } else if (depth == 0 && (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
            return position;
        }
    }
    return depth > 0 || inString ? std::string_view::npos : position;
}

// Containers of hundreds of bytes, with long strings full of escapes and brackets.
std::string longValue(Random& random, int depth) {
    static const std::vector<std::string> pieces = {"\\\"", "\\\\", "\\n", "}", "]", "{", "[", ",", "\xc3\xa9", "\\u00e9"};
    const size_t kind = random.below(depth > 4 ? 2 : 4);
    if (kind == 0) {
        std::string text = "\"";
        for (size_t k = 0, count = random.below(12); k < count; ++k) {
            text += random.percent(50) ? random.pick(pieces) : std::string(random.below(70), 'a' + static_cast<char>(random.below(26)));
        }
        return text + "\"";
    }
    if (kind == 1) return std::to_string(random.next() % 100000) + ".5";
    const bool object = kind == 3;
    std::string text = object ? "{" : "[";
    for (size_t k = 0, count = random.below(8); k < count; ++k) {
        if (k > 0) text += ",";
        if (object) text += "\"key" + std::to_string(k) + "\":";
        text += longValue(random, depth + 1);
    }
    return text + (object ? "}" : "]");
}

}  // namespace

TEST(JsonReader, SkimEndOfLongValuesIsWhereAByteByByteSkimEnds) {
    Random random{0x243F6A8885A308D3ull};
    for (size_t round = 0; round < 4000; ++round) {
        std::string text = longValue(random, 2);
        if (round % 3 == 1) text = mutate(random, text);
        // Starting at every alignment, as entries in a file do.
        const std::string before(random.below(64), ' ');
        if (random.percent(50)) text += ",\"next\":" + longValue(random, 3);
        text = before + text;
        SCOPED_TRACE(text);
        EXPECT_EQ(JsonReader::skimEnd(text, before.size()), skimEndByteByByte(text, before.size()));
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(JsonReader, RefusesMalformedText) {
    // The fuzz below compares the rest with the tree parser.
    for (const char* text : {"", "[1,]", "{a:1}", "01", "NaN", "1e400", "\"\\ud800\\u0041\"", "\"a\nb\"",
                             "{\"\xe9\":1}", "[1] [2]"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(read(text), DecodingError);
    }
    // The tree parser would stop at a NUL and accept what came before.
    EXPECT_THROW(read(std::string_view("[1]\0x", 5)), DecodingError);
    EXPECT_THROW(json::parse(std::string_view("[1]\0x", 5)), DecodingError);
    // Deep nesting is refused, not overflowed.
    EXPECT_THROW(read(std::string(100000, '[')), DecodingError);
    EXPECT_NO_THROW(read(std::string(JsonReader::maxDepth, '[') + std::string(JsonReader::maxDepth, ']')));
}

TEST(JsonWriter, WritesShortestNumbersAndEscapesExactlyWhatMustBeEscaped) {
    Json value = Json::parse(sample);
    EXPECT_EQ(read(compact(value)), value);
    for (const auto& [number, text] : std::vector<std::pair<Json, std::string>>{
             {Json(3.0), "3.0"}, {Json(-0.0), "-0.0"}, {json::float32Value(0.1f), "0.1"},
             {Json(std::numeric_limits<uint64_t>::max()), "18446744073709551615"}}) {
        EXPECT_EQ(compact(number), text);
    }

    std::string text = "plain ascii run long enough for words \" \\ / \x01\x1f\x7f caf\xc3\xa9";
    EXPECT_EQ(compact(Json(text)), R"("plain ascii run long enough for words \" \\ / \u0001\u001f)" "\x7f caf\xc3\xa9\"");
    for (size_t n = 0; n < 40; ++n) {
        for (char stop : {'"', '\\', '\n', '\x1f'}) EXPECT_EQ(json::plainRunLength(std::string(n, 'a') + stop), n);
        EXPECT_EQ(json::plainRunLength(std::string(n, '\xe9') + "\x7f\x20"), n + 2);  // high bytes are plain
    }
    // Nothing that could not be read back.
    std::string out;
    for (const Json& bad : {Json{{"x", std::nan("")}}, Json{{"x", std::numeric_limits<double>::infinity()}},
                            Json("caf\xe9"), Json{{"caf\xe9", 1}}}) {
        EXPECT_THROW(json::appendCompact(out, bad), EncodingError) << bad.type_name();
    }
}

TEST(JsonWriter, FloatsWrittenAgainGiveTheSameShortestText) {
    // Term weights repeat and their text is remembered; whatever shares a slot must not mix.
    Random random{7};
    std::vector<float> values = {1.0f, 1.6931472f, 2.0986123f, 0.1f, -0.0f, 0.0f, 3.4028235e38f, 1e-45f};
    for (int k = 0; k < 20000; ++k) {
        values.push_back(k % 2 ? std::bit_cast<float>(static_cast<uint32_t>(random.next()) & 0x7f7fffffu)
                               : 1.0f + std::log(static_cast<float>(1 + random.below(40))));
    }
    std::vector<std::string> first;
    for (float value : values) {
        std::string out = "[";
        json::appendFloat32(out, value);
        EXPECT_EQ(json::float32FromDouble(JsonReader::parseDouble(std::string_view(out).substr(1))), value) << out;
        first.push_back(out);
    }
    for (size_t k = values.size(); k-- > 0;) {
        std::string out = "[";
        json::appendFloat32(out, values[k]);
        EXPECT_EQ(out, first[k]);
    }
}

TEST(JsonReaderFuzz, AcceptsAndRefusesExactlyWhatTheTreeParserDoes) {
    Random random{0x9E3779B97F4A7C15ull};
    const std::vector<std::string> fixed = {sample, "\xEF\xBB\xBF [1]"};
    for (size_t round = 0; round < 8000; ++round) {
        std::string text = round < fixed.size() ? fixed[round] : randomValue(random, 0);
        if (round % 4 == 3) text = mutate(random, text);
        SCOPED_TRACE(text);
        auto describe = [](const Json& value) { return value.dump() + " " + classes(value); };
        EXPECT_EQ(attempt<std::string>([&] { return describe(read(text)); }),
                  attempt<std::string>([&] { return describe(json::parse(text)); }));
        if (text.size() < 40) {
            expectTypedReadAgrees<int64_t>(text, json::int64, &JsonReader::readInt64);
            expectTypedReadAgrees<uint64_t>(text, json::uint64, &JsonReader::readUInt64);
            expectTypedReadAgrees<double>(text, json::number, &JsonReader::readDouble);
            expectTypedReadAgrees<std::string>(text, json::string, &JsonReader::readString);
        }
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(JsonReaderFuzz, NumberArraysReadAsTheirElementsOneByOne) {
    Random random{0xC2B2AE3D27D4EB4Full};
    const std::vector<std::string> elements = {
        "0", "-0", "7", "-12", "01", "-", "1.", ".5", "0.5", "-0.0", "1.6931472", "2.0986123", "12.50", "1e5", "1E-2",
        "123456789012345", "1234567890123456", "9007199254740993", "0.1234567890123456", "99999999999999.9",
        "9223372036854775807", "-9223372036854775808", "9223372036854775808", "123456789012345678", "true", "\"1\"",
        // Runs of digits about the lengths read a word at a time.
        "12345678", "123456789", "-87654321.1", "1.23456789", "0.00000001", "1234567.8901234", "12345678.9012345",
        "123456789012345.6", "1234567890123456.7", "00", "0.", "1.2.3", "1.5e3", "7-", "12345678901234567"};
    auto element = [&] { return random.percent(30) ? random.pick(elements) : randomNumber(random); };
    for (size_t round = 0; round < 6000; ++round) {
        std::string text = "[";
        for (size_t k = 0, count = random.below(12); k < count; ++k) text += (k > 0 ? "," + space(random) : "") + element();
        text += space(random) + "]";
        // Elements far from the end of the text are read many bytes at a time.
        if (random.percent(50)) text += std::string(random.below(100), ' ');
        if (round % 4 == 3) text = mutate(random, text);
        SCOPED_TRACE(text);
        // The same values, or a refusal from both.
        auto expectAgree = [&text]<class T>(void (JsonReader::*readArray)(std::vector<T>&), T (JsonReader::*readOne)()) {
            auto wholeRead = [&text](const std::function<void(JsonReader&)>& readAll) {
                JsonReader reader(text);
                readAll(reader);
                reader.finish();
            };
            EXPECT_EQ(attempt<std::vector<T>>([&] {
                          std::vector<T> values{T{1}};  // replaced, not added to
                          wholeRead([&](JsonReader& reader) { (reader.*readArray)(values); });
                          return values;
                      }),
                      attempt<std::vector<T>>([&] {
                          std::vector<T> values;
                          wholeRead([&](JsonReader& reader) { reader.forEachElement([&] { values.push_back((reader.*readOne)()); }); });
                          return values;
                      }));
        };
        expectAgree(&JsonReader::readDoubleArray, &JsonReader::readDouble);
        expectAgree(&JsonReader::readInt64Array, &JsonReader::readInt64);
        if (::testing::Test::HasFailure()) break;
    }
}
