#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Stores/SharedFolderPath.hpp"

using namespace ordane;

namespace {

const std::vector<std::string> samplePaths = {
    "/home/ann/Documents/report.pdf", "/home/ann/Documents/a", "/home/ann/Documents", "/home/ann/Documents/",
    "/x", "/", "", "relative", "a/b", "/a-b/c", "/a/b", "/a/bc", "/a/b/c", "/home/ann/Résumé café/Lettre €.txt",
    // Names around the length kept in place (23 bytes), and far beyond it.
    "/d/fifteen-bytes.txt", "/d/sixteen--bytes.txt", "/d/twenty-two-bytes.pdf", "/d/twenty-three-bytes.pdf",
    "/d/twenty-four---bytes.pdf", "/d/twenty-three-bytes.pd", "twenty-three-bytes-name", "twenty-four-bytes-name!!",
    "/d/" + std::string(300, 'n') + ".bin"};

TEST(SharedFolderPath, KeepsEveryPathWholeAndMatchesOnlyItself) {
    SharedFolderPath::Folders folders;
    for (const std::string& path : samplePaths) {
        SharedFolderPath key(path, folders);
        std::string buffer;
        EXPECT_EQ(key.text(buffer), path);
        EXPECT_EQ(key.string(), path);
        for (const std::string& other : samplePaths) {
            EXPECT_EQ(key == std::string_view(other), path == other) << path << " against " << other;
            EXPECT_EQ(key == SharedFolderPath(other, folders), path == other) << path << " against " << other;
            EXPECT_EQ(SharedFolderPath::Equal{}(std::string_view(other), key), path == other);
        }
    }
}

// Keys are copied, moved and assigned over one another as a map rehashes and replaces entries;
// each keeps its own text, short or long, and a moved-from key stays usable.
TEST(SharedFolderPath, CopiesAndMovesKeepTheirOwnText) {
    SharedFolderPath::Folders folders;
    const std::string shortPath = "/home/ann/a.txt";
    const std::string longPath = "/home/ann/" + std::string(40, 'L') + ".txt";
    for (const std::string& path : {shortPath, longPath}) {
        for (const std::string& other : {shortPath, longPath}) {
            SharedFolderPath original(path, folders);
            SharedFolderPath copy = original;
            EXPECT_EQ(copy.string(), path);
            SharedFolderPath target(other, folders);
            target = copy;
            EXPECT_EQ(target.string(), path);
            EXPECT_EQ(copy.string(), path);
            SharedFolderPath moved = std::move(copy);
            EXPECT_EQ(moved.string(), path);
            SharedFolderPath movedOver(other, folders);
            movedOver = std::move(moved);
            EXPECT_EQ(movedOver.string(), path);
            moved = SharedFolderPath(other, folders);  // a moved-from key can be given a new path
            EXPECT_EQ(moved.string(), other);
            SharedFolderPath& alias = movedOver;
            movedOver = alias;
            EXPECT_EQ(movedOver.string(), path);
            EXPECT_EQ(original.string(), path);
            EXPECT_TRUE(original == movedOver);
        }
    }
}

TEST(SharedFolderPath, PathsOfOneFolderShareItsText) {
    SharedFolderPath::Folders folders;
    SharedFolderPath first("/home/ann/Documents/one.pdf", folders);
    SharedFolderPath second("/home/ann/Documents/two.pdf", folders);
    SharedFolderPath elsewhere("/home/ann/Pictures/one.pdf", folders);
    SharedFolderPath bare("loose", folders);
    ASSERT_NE(first.folder(), nullptr);
    EXPECT_EQ(first.folder(), second.folder());
    EXPECT_NE(first.folder(), elsewhere.folder());
    EXPECT_EQ(bare.folder(), nullptr);
    EXPECT_EQ(folders.size(), 2u);
}

TEST(SharedFolderPath, HashesAndOrdersAsThePathText) {
    SharedFolderPath::Folders folders;
    std::vector<SharedFolderPath> keys;
    for (const std::string& path : samplePaths) keys.emplace_back(path, folders);
    for (size_t k = 0; k < samplePaths.size(); ++k) {
        EXPECT_EQ(SharedFolderPath::Hash{}(keys[k]), std::hash<std::string>{}(samplePaths[k])) << samplePaths[k];
        EXPECT_EQ(SharedFolderPath::Hash{}(std::string_view(samplePaths[k])), std::hash<std::string>{}(samplePaths[k]));
    }
    // "/a-b/c" sorts before "/a/b" although its folder is longer: the whole text decides.
    std::vector<std::string> sortedTexts = samplePaths;
    std::sort(sortedTexts.begin(), sortedTexts.end());
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sortedKeys;
    for (const SharedFolderPath& key : keys) sortedKeys.push_back(key.string());
    EXPECT_EQ(sortedKeys, sortedTexts);
}

// A store writes its map in iteration order, and its file must not change with the key's form.
TEST(SharedFolderPath, MapIteratesInTheOrderOfAMapKeyedByText) {
    SharedFolderPath::Folders folders;
    std::unordered_map<std::string, int> byText;
    std::unordered_map<SharedFolderPath, int, SharedFolderPath::Hash, SharedFolderPath::Equal> byKey;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const std::string path =
            "/home/u/folder " + std::to_string(random() % 40) + "/file " + std::to_string(random() % 3000) + ".dat";
        if (random() % 5 == 0) {
            byText.erase(path);
            auto it = byKey.find(std::string_view(path));
            if (it != byKey.end()) byKey.erase(it);
        } else {
            byText.insert_or_assign(path, step);
            byKey.insert_or_assign(SharedFolderPath(path, folders), step);
        }
    }
    std::erase_if(byText, [](const auto& item) { return item.second % 7 == 0; });
    std::erase_if(byKey, [](const auto& item) { return item.second % 7 == 0; });
    ASSERT_EQ(byKey.size(), byText.size());
    std::vector<std::pair<std::string, int>> textOrder(byText.begin(), byText.end());
    std::vector<std::pair<std::string, int>> keyOrder;
    for (const auto& [key, value] : byKey) keyOrder.emplace_back(key.string(), value);
    EXPECT_EQ(keyOrder, textOrder);
}

}  // namespace
