#include <gtest/gtest.h>

#include <cmath>
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

TEST(JsonWriter, RefusesWhatCouldNotBeReadBack) {
    std::string out;
    EXPECT_THROW(json::appendCompact(out, Json{{"x", std::nan("")}}), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json{{"x", std::numeric_limits<double>::infinity()}}), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json("caf\xe9")), EncodingError);
    EXPECT_THROW(json::appendCompact(out, Json{{"caf\xe9", 1}}), EncodingError);
}
