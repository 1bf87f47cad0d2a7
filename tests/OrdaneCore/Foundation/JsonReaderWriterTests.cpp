#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"

using namespace ordane;

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
}  // namespace

TEST(JsonReader, ReadsWhatTheTreeParserReads) {
    Json expected = Json::parse(sample);
    Json actual = read(sample);
    EXPECT_EQ(actual, expected);
    // Same number classes: unsigned, signed, and a double past 64 bits.
    EXPECT_TRUE(actual["a"][2].is_number_unsigned());
    EXPECT_TRUE(actual["a"][3].is_number_integer());
    EXPECT_TRUE(actual["a"][4].is_number_float());
    EXPECT_NE(actual["s"].get<std::string>().find(" \xC3\xA9 \xF0\x9F\x98\x80 caf\xC3\x89 \x01"), std::string::npos);
    // A byte order mark before the value is skipped by both; a NUL after it is refused by both.
    EXPECT_EQ(read("\xEF\xBB\xBF [1]"), Json::parse("\xEF\xBB\xBF [1]"));
    EXPECT_THROW(read(std::string_view("[1]\0x", 5)), DecodingError);
    EXPECT_THROW(json::parse(std::string_view("[1]\0x", 5)), DecodingError);
}

TEST(JsonReader, WalksMembersOneByOne) {
    JsonReader reader(R"({"version": 3, "entries": {"/a": {"n": 1}, "/b": [2]}, "skipped": {"x": [1, {"y": 2}]}})");
    std::vector<std::string> seen;
    reader.forEachMember([&](std::string key) {
        if (key == "entries") {
            reader.forEachMember([&](std::string path) {
                seen.push_back(path + "=" + reader.readValue().dump());
            });
        } else {
            reader.skipValue();
        }
    });
    reader.finish();
    EXPECT_EQ(seen, (std::vector<std::string>{"/a={\"n\":1}", "/b=[2]"}));
}

TEST(JsonReader, SkimFindsWhereEachValueEnds) {
    JsonReader reader(R"({"a": [1, "]}\"", {"b": {}}], "c" : "x,}" , "d": -12.5e3, "e": {"f": "\\"}, "g": true})");
    std::vector<std::string> spans;
    reader.forEachMember([&](std::string key) { spans.push_back(key + "=" + std::string(reader.skimValue())); });
    reader.finish();
    EXPECT_EQ(spans, (std::vector<std::string>{R"(a=[1, "]}\"", {"b": {}}])", R"(c="x,}")", "d=-12.5e3",
                                               R"(e={"f": "\\"})", "g=true"}));
    // Long runs of numbers between brackets, as in stored term vectors.
    std::string numbers = "[";
    for (int i = 0; i < 300; ++i) numbers += std::to_string(i * 7) + (i % 37 == 0 ? ",[1.5e-3]," : ",");
    numbers += "{\"k\":\"v]\"}]";
    const std::string document = "{\"a\":" + numbers + ",\"b\":[0]}";
    JsonReader vectors(document);
    std::vector<std::string_view> found;
    vectors.forEachMember([&](std::string) { found.push_back(vectors.skimValue()); });
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], numbers);
    EXPECT_EQ(found[1], "[0]");

    // Cut anywhere, a skim ends cleanly or fails with a decoding error.
    std::string text = sample;
    for (size_t length = 0; length < text.size(); ++length) {
        JsonReader cut(std::string_view(text).substr(0, length));
        try {
            std::string_view span = cut.skimValue();
            EXPECT_LE(span.size(), length);
        } catch (const DecodingError&) {
        }
    }
}

TEST(JsonReader, ParsesDecimalsExactlyAsStrtod) {
    std::vector<std::string> texts = {"0", "-0", "0.1", "2.0986123", "1e-7", "123456789012345678", "9007199254740993",
                                      "1e22", "1e23", "4.35e-300", "1.7976931348623157e308", "2.2250738585072014e-308",
                                      "0.30000000000000004", "12345678901234567890123", "1.00000000000000011102230246251565",
                                      "2e-324", "-1e-400", "0.0000001e-320"};  // too small: zero, as strtod gives
    uint64_t state = 88172645463325252ull;
    for (int i = 0; i < 2000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        double value = std::bit_cast<double>(state);
        if (!std::isfinite(value)) continue;
        char buffer[64];
        texts.emplace_back(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        texts.emplace_back(buffer, std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value / 1e300)).ptr);
        texts.push_back(std::to_string(state % 100000) + "." + std::to_string(state % 9973) + "e-" + std::to_string(state % 25));
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        if (text.find_first_of("ni") != std::string::npos) continue;  // inf, nan
        double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::bit_cast<uint64_t>(JsonReader::parseDouble(text)), std::bit_cast<uint64_t>(expected));
    }
}

TEST(JsonReader, TypedReadsAreStrict) {
    auto reader = [](const char* text) { return JsonReader(text); };
    EXPECT_EQ(reader("-9223372036854775808").readInt64(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(reader("18446744073709551615").readUInt64(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(reader("3").readDouble(), 3.0);
    EXPECT_THROW(reader("9223372036854775808").readInt64(), DecodingError);
    EXPECT_THROW(reader("18446744073709551616").readUInt64(), DecodingError);
    EXPECT_THROW(reader("1.0").readInt64(), DecodingError);
    EXPECT_THROW(reader("1e2").readUInt64(), DecodingError);
    EXPECT_THROW(reader("-1").readUInt64(), DecodingError);
    EXPECT_THROW(reader("-0").readUInt64(), DecodingError);
    EXPECT_THROW(reader("\"1\"").readDouble(), DecodingError);
    EXPECT_THROW(reader("1").readString(), DecodingError);
    EXPECT_THROW(reader("null").readInt64(), DecodingError);
    EXPECT_TRUE(reader(" null").readNull());
    EXPECT_FALSE(reader("0").readNull());
}

TEST(JsonReader, RefusesMalformedText) {
    for (const char* text : {"", " ", "[1,]", "{\"a\":1,}", "{\"a\" 1}", "{a:1}", "01", "+1", ".5", "1.", "1e", "-",
                             "NaN", "Infinity", "1e400", "-1e400", "tru", "nul", "[1 2]", "\"a", "\"\\x\"",
                             "\"\\u12\"", "\"\\ud800\"", "\"\\udc00\"", "\"\\ud800\\u0041\"", "\"a\nb\"",
                             "\"\xff\"", "\"\xc3\"", "{\"\xe9\":1}", "[1] [2]", "{}}", "[", "{\"a\":"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(read(text), DecodingError);
    }
}

TEST(JsonReader, EveryTruncationFailsCleanly) {
    std::string text = sample;
    for (size_t length = 0; length + 2 < text.size(); ++length) {
        EXPECT_THROW(read(std::string_view(text).substr(0, length)), DecodingError) << length;
    }
}

TEST(JsonReader, DeepNestingIsRefusedNotOverflowed) {
    std::string deep(100000, '[');
    EXPECT_THROW(read(deep), DecodingError);
    std::string fine = std::string(JsonReader::maxDepth, '[') + std::string(JsonReader::maxDepth, ']');
    EXPECT_NO_THROW(read(fine));
}

TEST(JsonWriter, WritesCompactTextThatReadsBackEqual) {
    Json value = Json::parse(sample);
    std::string text = compact(value);
    EXPECT_EQ(Json::parse(text), value);
    EXPECT_EQ(read(text), value);
    Json plain = {{"b", {1, "x\u0001y", nullptr}}, {"a", true}, {"c", -4}};
    EXPECT_EQ(compact(plain), json::dumpCompact(plain));
}

TEST(JsonWriter, NumbersAreShortestAndStayDoubles) {
    EXPECT_EQ(compact(Json(0.1)), "0.1");
    EXPECT_EQ(compact(Json(3.0)), "3.0");
    EXPECT_EQ(compact(Json(-0.0)), "-0.0");
    EXPECT_EQ(compact(json::float32Value(0.1f)), "0.1");
    EXPECT_EQ(compact(Json(1e300)), "1e+300");
    EXPECT_TRUE(read(compact(Json(3.0))).is_number_float());
    double awkward = 0.30000000000000004;
    EXPECT_EQ(read(compact(Json(awkward))).get<double>(), awkward);
    EXPECT_EQ(compact(Json(std::numeric_limits<uint64_t>::max())), "18446744073709551615");
}

TEST(JsonWriter, FloatsReadBackThroughADouble) {
    // Shortest decimal 7.038531e-26 rounds to a double that rounds to the next float up.
    for (float value : {0.1f, 1.6931472f, 1e-45f, std::numeric_limits<float>::max(), std::bit_cast<float>(0x15ae43fdu),
                        -std::bit_cast<float>(0x15ae43fdu)}) {
        std::string out;
        json::appendFloat32(out, value);
        EXPECT_EQ(static_cast<float>(JsonReader(out).readDouble()), value) << out;
        EXPECT_EQ(json::float32(Json::parse(out)), value) << out;
    }
    std::string out;
    json::appendFloat32(out, 1.0f);
    EXPECT_EQ(out, "1.0");
}

TEST(JsonWriter, EscapesExactlyWhatMustBeEscaped) {
    std::string text = "plain ascii run long enough for words \" \\ / \x01\x1f\x7f caf\xc3\xa9";
    std::string out;
    json::appendString(out, text);
    EXPECT_EQ(out, R"("plain ascii run long enough for words \" \\ / \u0001\u001f)" "\x7f caf\xc3\xa9\"");
    EXPECT_EQ(Json::parse(out).get<std::string>(), text);
    for (size_t n = 0; n < 40; ++n) {
        std::string run(n, 'a');
        run += '"';
        EXPECT_EQ(json::plainRunLength(run), n);
    }
}

TEST(JsonWriter, RefusesWhatCouldNotBeReadBack) {
    std::string out;
    EXPECT_THROW(json::appendCompact(out, Json{{"x", std::nan("")}}), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json{{"x", std::numeric_limits<double>::infinity()}}), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json("caf\xe9")), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json{{"caf\xe9", 1}}), EncodingError);
}
