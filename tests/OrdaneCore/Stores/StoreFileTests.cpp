#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "OrdaneCore/Stores/StoreFile.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::TempDir;

namespace {
std::map<std::string, Json> entriesOf(std::string_view text, int64_t version = 3) {
    std::map<std::string, Json> result;
    StoreFile::readEntries(text, version, "entries", [&result](std::string key, Json value) {
        result.insert_or_assign(std::move(key), std::move(value));
    });
    return result;
}
}  // namespace

TEST(StoreFile, ReadsEntriesOfItsOwnVersionOnly) {
    auto entries = entriesOf(R"( {"other": [1, {"x": null}], "entries": {"/a": {"n": 1}, "/b": 2}, "version": 3} )");
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries["/a"], (Json{{"n", 1}}));
    EXPECT_TRUE(entriesOf(R"({"version": 3, "entries": {}})").empty());
    for (const char* text : {R"({"version": 2, "entries": {}})", R"({"version": 3.0, "entries": {}})",
                             R"({"version": "3", "entries": {}})", R"({"entries": {}})", R"({"version": 3})",
                             R"({"version": 3, "entries": []})", R"([{"version": 3}])", R"({"version": 3, "entries": {})",
                             R"({"version": 3, "entries": {}} x)", "3", ""}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(entriesOf(text), DecodingError);
    }
}

TEST(StoreFile, CompactTextLeavesOutWhatCannotBeWritten) {
    std::map<std::string, double> entries = {
        {"fine", 1.5},
        {"nan", std::nan("")},
        {"infinite", std::numeric_limits<double>::infinity()},
        {"bad\xff key", 2.0},
        {"whole", 2.0},
    };
    // A raw Json(double) holds NaN silently (dump would write null); it must be left out instead.
    auto encode = [](double value) { return Json{{"v", value}}; };
    std::string text = StoreFile::compactText(1, "entries", entries, encode);
    EXPECT_EQ(text, R"({"version":1,"entries":{"fine":{"v":1.5},"whole":{"v":2.0}}})");
    EXPECT_EQ(entriesOf(text, 1).size(), 2u);
    EXPECT_EQ(StoreFile::writableObject(entries, encode), (Json{{"fine", {{"v", 1.5}}}, {"whole", {{"v", 2.0}}}}));
    // An encoder that refuses its value leaves out only that entry.
    auto strict = [](double value) { return json::numberValue(value); };
    EXPECT_EQ(StoreFile::compactText(1, "entries", entries, strict), R"({"version":1,"entries":{"fine":1.5,"whole":2.0}})");
    EXPECT_EQ(StoreFile::compactText(1, "entries", std::map<std::string, double>{}, strict),
              R"({"version":1,"entries":{}})");
}

TEST(StoreFile, EachSetAsideGetsItsOwnName) {
    TempDir dir;
    URL url = URL::fileURL(dir / "priors.json");
    for (int round = 0; round < 3; ++round) {
        ordane::testing::writeFile(url.path(), "broken " + std::to_string(round));
        StoreFile file(url, platform::FileSystem::real(), StoreFile::Unusable::setAside);
        EXPECT_FALSE(file.load([](std::string_view text) { return entriesOf(text, 1); }));
        EXPECT_TRUE(file.write("{}"));
    }
    std::set<std::string> contents;
    int count = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
        ++count;
        contents.insert(ordane::testing::readFile(item.path()));
    }
    EXPECT_EQ(count, 4);
    EXPECT_EQ(contents, (std::set<std::string>{"{}", "broken 0", "broken 1", "broken 2"}));
}

TEST(StoreFile, ACacheIsRebuiltInPlace) {
    TempDir dir;
    URL url = URL::fileURL(dir / "cache.json");
    ordane::testing::writeFile(url.path(), "{\"version\":");
    StoreFile file(url, platform::FileSystem::real(), StoreFile::Unusable::rebuild);
    EXPECT_FALSE(file.load([](std::string_view text) { return entriesOf(text, 1); }));
    EXPECT_TRUE(file.write("{}"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(ordane::testing::readFile(url.path()), "{}");
}
