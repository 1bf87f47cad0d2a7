#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "OrdaneCore/Foundation/Json.hpp"

using namespace ordane;

TEST(URL, KeepsPathAsGivenButStandardizesOnRequest) {
    URL url = URL::fileURL("/Users/ann/Documents/../Desktop/a.txt");
    EXPECT_EQ(url.path(), "/Users/ann/Documents/../Desktop/a.txt");
    EXPECT_EQ(url.standardized().path(), "/Users/ann/Desktop/a.txt");
    EXPECT_EQ(URL::fileURL("/a/b/", true).path(), "/a/b");
    EXPECT_EQ(url.lastPathComponent(), "a.txt");
    EXPECT_EQ(URL::fileURL("/a/b.TXT").pathExtension(), "txt");
    EXPECT_EQ(URL::fileURL("/a/b").deletingLastPathComponent().path(), "/a");
}

TEST(URL, AbsoluteStringRoundTripsAnyName) {
    for (const char* path : {"/a b/c#d?e%f.txt", "/Users/ann/Résumé 2024.pdf", "/x/\xff\xfe-not-utf8", "/"}) {
        URL url = URL::fileURL(path);
        auto back = URL::fromAbsoluteString(url.absoluteString());
        ASSERT_TRUE(back) << path;
        EXPECT_EQ(back->path(), url.path());
    }
    EXPECT_EQ(URL::fileURL("/a b/c", true).absoluteString(), "file:///a%20b/c/");
    EXPECT_TRUE(URL::fromAbsoluteString("file:///a/c/")->isDirectory());
    EXPECT_FALSE(URL::fromAbsoluteString("https://example.com/a"));
    EXPECT_FALSE(URL::fromAbsoluteString("file:///a%2"));
    EXPECT_FALSE(URL::fromAbsoluteString("file:///a%00b"));
}

TEST(UUID, WritesUpperCaseReadsAnyCase) {
    auto id = UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_FALSE(UUID::fromString("not-a-uuid"));
    EXPECT_NE(UUID::random(), UUID::random());
}

TEST(Json, IntegersAreCheckedNotCoerced) {
    EXPECT_EQ(json::uint64(json::parse("18446744073709551615")), 18446744073709551615ull);
    EXPECT_EQ(json::parse(json::dumpCompact(Json(18446744073709551615ull))).get<uint64_t>(),
              18446744073709551615ull);
    EXPECT_THROW(json::int64(json::parse("1.0")), DecodingError);
    EXPECT_THROW(json::int64(json::parse("18446744073709551615")), DecodingError);
    EXPECT_THROW(json::uint64(json::parse("-1")), DecodingError);
    EXPECT_THROW(json::uint64(json::parse("1e3")), DecodingError);
    EXPECT_THROW(json::string(json::parse("1")), DecodingError);
    EXPECT_THROW(json::boolean(json::parse("\"true\"")), DecodingError);
    EXPECT_EQ(json::number(json::parse("3")), 3.0);
    EXPECT_THROW(json::float32(json::parse("1e300")), DecodingError);
    EXPECT_THROW(json::float32(json::parse("-3.4028236e38")), DecodingError);  // rounds to infinity
}

TEST(Json, FloatsAreWrittenShortestAndReadBackExactly) {
    EXPECT_EQ(json::dumpCompact(json::float32Value(0.1f)), "0.1");
    for (float value : {0.1f, 1.0f / 3.0f, 1e-20f, 123456.78f, -0.0f, std::numeric_limits<float>::max(),
                        -std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                        // Shortest decimal 7.038531e-26, which rounds to a double that rounds to
                        // the next float up.
                        std::bit_cast<float>(uint32_t{0x15ae43fd}), -std::bit_cast<float>(uint32_t{0x15ae43fd})}) {
        float back = json::float32(json::parse(json::dumpCompact(json::float32Value(value))));
        EXPECT_EQ(std::signbit(back), std::signbit(value));
        EXPECT_EQ(back, value);
    }
    EXPECT_THROW(json::float32Value(std::numeric_limits<float>::quiet_NaN()), EncodingError);
    EXPECT_THROW(json::numberValue(std::numeric_limits<double>::infinity()), EncodingError);
}

TEST(Json, TaggedUnionNeedsExactlyOneKey) {
    Json value = json::parse(R"({"trash":{"_0":"x"}})");
    auto single = json::taggedCase(value);
    EXPECT_EQ(single.name, "trash");
    EXPECT_EQ(json::string(json::unnamedField(*single.payload)), "x");
    for (const char* text : {"{}", R"({"a":{},"b":{}})"}) {
        try {
            json::taggedCase(json::parse(text));
            FAIL() << text;
        } catch (const DecodingError& error) {
            EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
        }
    }
    EXPECT_THROW(json::taggedCase(json::parse(R"({"a":1})")), DecodingError);
    EXPECT_EQ(json::dumpCompact(json::tagged("pending")), R"({"pending":{}})");
}

TEST(Json, RefusesTextThatIsNotUTF8) {
    EXPECT_THROW(json::stringValue("\xff"), EncodingError);
    EXPECT_THROW(json::dumpCompact(Json(std::string("a\xc0\x80"))), EncodingError);
    EXPECT_TRUE(json::isValidUTF8("Résumé ✓ 😀"));
    EXPECT_FALSE(json::isValidUTF8("\xed\xa0\x80"));  // a lone surrogate
    EXPECT_EQ(json::dumpPretty(json::parse(R"({"b":1,"a":2})")), "{\n  \"a\": 2,\n  \"b\": 1\n}");
}

TEST(Json, OptionalsAreOmittedAndNullReadsAsAbsent) {
    Json object = Json::object();
    json::setOptional(object, "detail", std::optional<std::string>{}, [](const std::string& s) { return json::stringValue(s); });
    EXPECT_EQ(json::dumpCompact(object), "{}");
    auto decode = [](const Json& j) { return json::string(j); };
    EXPECT_FALSE(json::optional<std::string>(json::parse(R"({"detail":null})"), "detail", decode));
    EXPECT_THROW(json::optional<std::string>(json::parse(R"({"detail":3})"), "detail", decode), DecodingError);
    EXPECT_THROW(json::field(json::parse("[]"), "x"), DecodingError);
}
