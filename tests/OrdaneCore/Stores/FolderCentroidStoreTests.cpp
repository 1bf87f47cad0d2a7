#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>

#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdaneCore/Vectors/StableHash.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::TempDir;

namespace {

FileRecord record(const std::string& path, int64_t size, std::optional<double> modifiedSince1970) {
    FileRecord result;
    result.id = UUID::random();
    result.url = URL::fileURL(path);
    result.size = size;
    if (modifiedSince1970) result.modified = Date::fromUnix(*modifiedSince1970);
    return result;
}

FolderCentroidStore::FolderEntry folder(const std::string& path, uint64_t hash = 1) {
    return FolderCentroidStore::FolderEntry{
        path, hash, 3, 0.75, SparseVector::checkedPair({2, 7, 4095}, {0.5f, -1.25f, 3e-7f}), 1.3693064f,
        Date{7.2e8}};
}

struct FolderCentroidStoreTest : ::testing::Test {
    TempDir dir;
    std::string path = dir / "Support/folder-centroids.json";
    URL url = URL::fileURL(path);
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();

    FolderCentroidStore make() { return FolderCentroidStore(url, fileSystem); }
    int writes() const { return fileSystem->calls("writeFileAtomically"); }
};

}  // namespace

TEST(FolderMembershipHash, IgnoresOrderAndCancelsPairs) {
    auto a = record("/home/u/Taxes/2023.pdf", 1200, 1700000000.9);
    auto b = record("/home/u/Taxes/2022.pdf", 800, 1600000000.0);
    auto c = record("/home/u/Taxes/notes.txt", 5, std::nullopt);
    EXPECT_EQ(FolderCentroidStore::membershipHash({}), 0u);
    EXPECT_EQ(FolderCentroidStore::membershipHash({a, b, c}), FolderCentroidStore::membershipHash({c, a, b}));
    EXPECT_EQ(FolderCentroidStore::membershipHash({a, b, b}), FolderCentroidStore::membershipHash({a}));
    EXPECT_EQ(FolderCentroidStore::membershipHash({a}), StableHash::fnv1a64("2023.pdf|1200|1700000000"));
    EXPECT_EQ(FolderCentroidStore::membershipHash({c}), StableHash::fnv1a64("notes.txt|5|0"));

    // Whole seconds only: a touch within the same second keeps the hash, a later second changes it.
    auto touchedWithin = record("/home/u/Taxes/2023.pdf", 1200, 1700000000.2);
    EXPECT_EQ(FolderCentroidStore::membershipHash({touchedWithin}), FolderCentroidStore::membershipHash({a}));
    auto touchedLater = record("/home/u/Taxes/2023.pdf", 1200, 1700000001.0);
    auto resized = record("/home/u/Taxes/2023.pdf", 1201, 1700000000.9);
    auto renamed = record("/home/u/Taxes/2023 (1).pdf", 1200, 1700000000.9);
    for (const auto& changed : {touchedLater, resized, renamed}) {
        EXPECT_NE(FolderCentroidStore::membershipHash({changed}), FolderCentroidStore::membershipHash({a}));
    }
    // Before 1970 the seconds truncate toward zero.
    EXPECT_EQ(FolderCentroidStore::membershipHash({record("/x/old", 1, -1.5)}), StableHash::fnv1a64("old|1|-1"));
}

TEST_F(FolderCentroidStoreTest, EntriesRoundTripThroughTheFile) {
    auto store = make();
    EXPECT_FALSE(store.entry("/home/u/Taxes"));
    auto taxes = folder("/home/u/Taxes", 0xFFFFFFFFFFFFFFFFull);  // must not pass through a double
    store.upsert(taxes);
    store.upsert(folder("/home/u/Recipes"));
    store.saveIfDirty();
    EXPECT_EQ(writes(), 1);
    store.saveIfDirty();
    EXPECT_EQ(writes(), 1);

    std::string text = ordane::testing::readFile(path);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(text.find("\"membershipHash\":18446744073709551615"), std::string::npos);

    auto reloaded = make();
    EXPECT_EQ(reloaded.entry("/home/u/Taxes"), taxes);
    EXPECT_EQ(reloaded.allEntries().size(), 2u);

    auto replaced = taxes;
    replaced.docCount = 9;
    reloaded.upsert(replaced);
    EXPECT_EQ(reloaded.entry("/home/u/Taxes")->docCount, 9);
    EXPECT_EQ(reloaded.allEntries().size(), 2u);
}

TEST_F(FolderCentroidStoreTest, RetainMarksDirtyOnlyWhenSomethingGoes) {
    {
        auto store = make();
        store.upsert(folder("/a"));
        store.upsert(folder("/b"));
        store.saveIfDirty();
    }
    auto store = make();
    store.retain({"/a", "/b", "/c"});
    store.saveIfDirty();
    EXPECT_EQ(writes(), 1);
    store.retain({"/a"});
    EXPECT_EQ(store.allEntries().size(), 1u);
    store.saveIfDirty();
    EXPECT_EQ(writes(), 2);
    EXPECT_EQ(make().allEntries().size(), 1u);
}

TEST_F(FolderCentroidStoreTest, AFailedWriteClearsDirtyAndKeepsTheOldFile) {
    {
        auto store = make();
        store.upsert(folder("/a"));
        store.saveIfDirty();
    }
    std::string before = ordane::testing::readFile(path);
    auto store = make();
    store.upsert(folder("/b"));
    fileSystem->fail("writeFileAtomically", ENOSPC, 1);
    EXPECT_NO_THROW(store.saveIfDirty());
    store.saveIfDirty();
    EXPECT_EQ(writes(), 2);  // the first save and the failed one; no retry without a new change
    EXPECT_EQ(ordane::testing::readFile(path), before);
}

TEST_F(FolderCentroidStoreTest, UnusableFilesGiveAnEmptyStoreAndAreRebuilt) {
    std::string good = R"({"version":1,"folders":{"/a":{"path":"/a","membershipHash":5,"docCount":2,"cohesion":0.5,)"
                       R"("centroid":{"indices":[1,3],"values":[0.5,0.25]},"centroidNorm":0.559,"computedAt":1}}})";
    ordane::testing::writeFile(path, good);
    EXPECT_EQ(make().entry("/a")->membershipHash, 5u);

    auto replace = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::vector<std::string> unusable = {
        replace("\"version\":1", "\"version\":2"),
        replace("\"membershipHash\":5", "\"membershipHash\":5.0"),
        replace("\"membershipHash\":5", "\"membershipHash\":-5"),
        replace("\"membershipHash\":5", "\"membershipHash\":18446744073709551616"),
        replace("[1,3]", "[3,1]"),
        replace("\"docCount\":2", "\"docCount\":-2"),
        replace("\"cohesion\":0.5,", ""),
        good.substr(0, good.size() / 2),
    };
    for (const std::string& text : unusable) {
        SCOPED_TRACE(text);
        ordane::testing::writeFile(path, text);
        auto store = make();
        EXPECT_TRUE(store.allEntries().empty());
        store.upsert(folder("/new"));
        store.saveIfDirty();
        // A cache is rebuilt in place: no file set aside.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Support"), {}), 1);
        EXPECT_EQ(make().allEntries().size(), 1u);
    }
}

TEST_F(FolderCentroidStoreTest, AnEntryThatCannotBeWrittenIsLeftOut) {
    auto store = make();
    auto nan = folder("/a");
    nan.cohesion = std::nan("");
    store.upsert(nan);
    store.upsert(folder("/home/u/Caf\xe9"));
    auto unordered = folder("/c");
    unordered.centroid.indices = {7, 2, 4095};  // would be refused on reading, and the whole file with it
    store.upsert(unordered);
    auto negative = folder("/d");
    negative.docCount = -1;
    store.upsert(negative);
    store.upsert(folder("/b"));
    store.saveIfDirty();
    auto reloaded = make().allEntries();
    ASSERT_EQ(reloaded.size(), 1u);
    EXPECT_EQ(reloaded[0].path, "/b");
}
