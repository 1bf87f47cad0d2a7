#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <set>
#include <thread>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"

using namespace ordane;

TEST(URL, KeepsPathAsGivenAndRoundTripsAnyName) {
    URL url = URL::fileURL("/Users/ann/Documents/../Desktop/a.TXT");
    EXPECT_EQ(url.path(), "/Users/ann/Documents/../Desktop/a.TXT");
    EXPECT_EQ(URL::fileURL("/a/b/", true).path(), "/a/b");
    for (const char* path : {"/a b/c#d?e%f.txt", "/Users/ann/Résumé 2024.pdf", "/x/\xff\xfe-not-utf8", "/"}) {
        auto back = URL::fromAbsoluteString(URL::fileURL(path).absoluteString());
        ASSERT_TRUE(back) << path;
        EXPECT_EQ(back->path(), path);
    }
    EXPECT_EQ(URL::fileURL("/a b/c", true).absoluteString(), "file:///a%20b/c/");
    EXPECT_TRUE(URL::fromAbsoluteString("file:///a/c/")->isDirectory());
    for (const char* bad : {"https://example.com/a", "file:///a%2", "file:///a%00b"}) {
        EXPECT_FALSE(URL::fromAbsoluteString(bad)) << bad;
    }
}

// The model tests check each reader against wrong types; these are the edges they don't reach.
TEST(Json, ReadersAndWritersRefuseWhatTheyCannotKeepExactly) {
    EXPECT_THROW(json::int64(json::parse("1.0")), DecodingError);
    EXPECT_THROW(json::float32(json::parse("-3.4028236e38")), DecodingError);  // rounds to infinity
    // Floats are written shortest and read back exactly, sign of zero included.
    for (float value : {1.0f / 3.0f, -0.0f, std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::max(),
                        -std::bit_cast<float>(uint32_t{0x15ae43fd})}) {
        float back = json::float32(json::parse(json::dumpCompact(json::float32Value(value))));
        EXPECT_EQ(std::bit_cast<uint32_t>(back), std::bit_cast<uint32_t>(value)) << value;
    }
    EXPECT_THROW(json::float32Value(std::numeric_limits<float>::quiet_NaN()), EncodingError);
    EXPECT_THROW(json::stringValue("\xff"), EncodingError);
    EXPECT_THROW(json::dumpCompact(Json(std::string("a\xc0\x80"))), EncodingError);
    EXPECT_EQ(json::dumpPretty(json::parse(R"({"b":1,"a":2})")), "{\n  \"a\": 2,\n  \"b\": 1\n}");
    auto decode = [](const Json& j) { return json::string(j); };
    EXPECT_FALSE(json::optional<std::string>(json::parse(R"({"detail":null})"), "detail", decode));
}

TEST(Json, TaggedUnionNeedsExactlyOneKey) {
    const Json value = json::parse(R"({"trash":{"_0":"x"}})");
    auto single = json::taggedCase(value);  // points into `value`
    EXPECT_EQ(single.name, "trash");
    EXPECT_EQ(json::string(json::unnamedField(*single.payload)), "x");
    for (const char* text : {"{}", R"({"a":{},"b":{}})", R"({"a":1})"}) {
        EXPECT_THROW(json::taggedCase(json::parse(text)), DecodingError) << text;
    }
}

TEST(UUID, RandomIdsAreVersionFourAndDistinctEvenInAForkedChild) {
    std::set<UUID> seen;
    for (int i = 0; i < 5000; ++i) {
        std::string text = seen.insert(UUID::random()).first->uuidString();
        ASSERT_TRUE(text[14] == '4' && std::string("89AB").find(text[19]) != std::string::npos) << text;
    }
    EXPECT_EQ(seen.size(), 5000u);

    // The pool is filled and part used; the child must not draw the parent's next ids.
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UUID id = UUID::random();
        ::_exit(::write(channel[1], id.bytes.data(), id.bytes.size()) == 16 ? 0 : 1);
    }
    UUID parentID = UUID::random();
    UUID childID;
    ASSERT_EQ(::read(channel[0], childID.bytes.data(), childID.bytes.size()), 16);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(channel[0]);
    ::close(channel[1]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(parentID, childID);
}

TEST(UUID, ThreadsDrawingAtOnceNeverHandOutTheSameIds) {
    // Each thread has a generator of its own: streams seeded alike would repeat each other's ids.
    constexpr int threads = 4;
    constexpr int perThread = 6000;  // more than one seed's worth
    std::vector<std::vector<UUID>> drawn(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&drawn, t] {
            for (int i = 0; i < perThread; ++i) drawn[t].push_back(UUID::random());
        });
    }
    for (auto& worker : workers) worker.join();
    std::set<UUID> seen;
    for (const auto& ids : drawn) seen.insert(ids.begin(), ids.end());
    EXPECT_EQ(seen.size(), size_t{threads} * perThread);
}
