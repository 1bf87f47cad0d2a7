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

TEST(StoreFile, VersionMustBeTheExactInteger) {
    EXPECT_EQ(StoreFile::versionedObject(R"({"version": 3, "entries": {}})", 3)["entries"], Json::object());
    for (const char* text : {R"({"version": 2})", R"({"version": 3.0})", R"({"version": "3"})", R"({"entries": {}})",
                             R"([{"version": 3}])", R"({"version": 3)", "3", ""}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(StoreFile::versionedObject(text, 3), DecodingError);
    }
}

TEST(StoreFile, WritableEntriesLeaveOutWhatCannotBeWritten) {
    std::map<std::string, double> entries = {
        {"fine", 1.5},
        {"nan", std::nan("")},
        {"infinite", std::numeric_limits<double>::infinity()},
        {"bad\xff key", 2.0},
    };
    // A raw Json(double) holds NaN silently; the check catches it before it is dumped as null.
    Json object = StoreFile::writableObject(entries, [](double value) { return Json{{"v", value}}; });
    EXPECT_EQ(object, (Json{{"fine", {{"v", 1.5}}}}));
    // An encoder that refuses its value leaves out only that entry.
    Json strict = StoreFile::writableObject(entries, [](double value) { return json::numberValue(value); });
    EXPECT_EQ(strict.size(), 1u);

    EXPECT_FALSE(StoreFile::isWritable(Json{{"a", {1, 2, "x\xc3"}}}));
    EXPECT_TRUE(StoreFile::isWritable(Json{{"a", {1, 2, "x\xc3\xa9", nullptr, true}}}));
}

TEST(StoreFile, EachSetAsideGetsItsOwnName) {
    TempDir dir;
    URL url = URL::fileURL(dir / "priors.json");
    for (int round = 0; round < 3; ++round) {
        ordane::testing::writeFile(url.path(), "broken " + std::to_string(round));
        StoreFile file(url, platform::FileSystem::real(), StoreFile::Unusable::setAside);
        EXPECT_FALSE(file.load([](std::string_view text) { return StoreFile::versionedObject(text, 1); }));
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
    EXPECT_FALSE(file.load([](std::string_view text) { return StoreFile::versionedObject(text, 1); }));
    EXPECT_TRUE(file.write("{}"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(ordane::testing::readFile(url.path()), "{}");
}
