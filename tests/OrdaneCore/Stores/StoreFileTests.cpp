#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "OrdaneCore/Stores/StoreFile.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::TempDir;

using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
namespace {
std::map<std::string, Json> entriesOf(std::string_view text, int64_t version = 3) {
    std::map<std::string, Json> result;
    StoreFile::readEntries(
        text, version, "entries", [](JsonReader& reader) { return reader.readValue(); },
        [&result](std::string key, Json value) { result.insert_or_assign(std::move(key), std::move(value)); });
    return result;
}
}  // namespace

TEST(StoreFile, ReadsEntriesOfItsOwnVersionOnly) {
    auto entries = entriesOf(R"( {"other": [1, {"x": null}], "entries": {"/a": {"n": 1}, "/b": 2}, "version": 3} )");
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries["/a"], (Json{{"n", 1}}));
    EXPECT_TRUE(entriesOf(R"({"version": 3, "entries": {}})").empty());
    for (const char* text : {R"({"version": 2, "entries": {}})", R"({"version": 3.0, "entries": {}})",
                             R"({"entries": {}})", R"({"version": 3})", R"({"version": 3, "entries": []})",
                             R"({"version": 3, "entries": {}} x)"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(entriesOf(text), DecodingError);
    }
}

TEST(StoreFile, CompactTextLeavesOutWhatCannotBeWritten) {
    std::map<std::string, double> entries = {
        {"fine", 1.5}, {"nan", std::nan("")}, {"infinite", std::numeric_limits<double>::infinity()}, {"whole", 2.0}};
    // A raw Json(double) holds NaN silently (dump would write null); it must be left out instead.
    auto encode = [](double value) { return Json{{"v", value}}; };
    auto append = [&encode](std::string& out, double value) { json::appendCompact(out, encode(value)); };
    std::string text = StoreFile::compactText(1, "entries", entries, append);
    EXPECT_EQ(text, R"({"version":1,"entries":{"fine":{"v":1.5},"whole":{"v":2.0}}})");
    EXPECT_EQ(entriesOf(text, 1).size(), 2u);
    EXPECT_EQ(StoreFile::writableObject(entries, encode), (Json{{"fine", {{"v", 1.5}}}, {"whole", {{"v", 2.0}}}}));
}

TEST(StoreFile, ManyEntriesAreWrittenAndReadInOrderAcrossChunks) {
    std::map<std::string, int64_t> entries;
    for (int64_t i = 0; i < 9000; ++i) entries.emplace("k" + std::to_string(100000 + i), i);
    entries.emplace("bad \xff", 1);  // left out, wherever its chunk is
    auto append = [](std::string& out, int64_t value) {
        if (value == 4500) throw EncodingError("refused");
        json::appendInteger(out, value);
    };
    std::string text = StoreFile::compactText(3, "entries", entries, append);
    std::vector<std::string> keys;
    StoreFile::readEntries(
        text, 3, "entries", [](JsonReader& reader) { return reader.readInt64(); },
        [&keys](std::string key, int64_t value) {
            EXPECT_EQ(key, "k" + std::to_string(100000 + value));
            keys.push_back(std::move(key));
        });
    EXPECT_EQ(keys.size(), 8999u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));

    // Written as it is encoded, the file holds exactly the same text, through any file system.
    TempDir dir;
    auto faulting = std::make_shared<ordane::testing::FaultInjectingFileSystem>();
    for (const auto& fileSystem : {platform::FileSystem::real(), std::shared_ptr<platform::FileSystem>(faulting)}) {
        StoreFile file(URL::fileURL(dir / "streamed.json"), fileSystem, StoreFile::Unusable::rebuild);
        std::filesystem::remove(dir / "streamed.json");
        EXPECT_TRUE(file.writeCompact(3, "entries", entries, append));
        EXPECT_EQ(ordane::testing::readFile(dir / "streamed.json"), text);
    }
    EXPECT_EQ(faulting->calls(Operation::writeFileAtomically), 1);

    // A fault found only after many entries were handed on spoils the whole read too.
    std::string versionLast = "{" + text.substr(text.find("\"entries\"")).insert(text.size() - text.find("\"entries\"") - 1, ",\"version\":2");
    EXPECT_THROW(entriesOf(versionLast), DecodingError);
    EXPECT_EQ(entriesOf(versionLast, 2).size(), 8999u);
    EXPECT_THROW(entriesOf(text + ","), DecodingError);

    // One damaged entry in the middle spoils the whole read.
    for (const char* damage : {"\"k106000\":[60", "\"k106000\":6e0"}) {
        std::string damaged = std::string(text).replace(text.find("\"k106000\":6000"), 14, damage);
        EXPECT_THROW(StoreFile::readEntries(
                         damaged, 3, "entries", [](JsonReader& reader) { return reader.readInt64(); }, [](std::string, int64_t) {}),
                     DecodingError);
    }
}

namespace {
// Hands the pieces of a write to a disk that fills up after `room` of them.
struct FillingFileSystem : ordane::testing::FaultInjectingFileSystem {
    size_t room = 0;
    std::vector<std::string> received;
    void writePiecesAtomically(const std::string&, const Pieces& produce) override {
        produce([this](std::string_view piece) {
            if (received.size() == room) throw platform::FileSystemError(ENOSPC, "write", "disk");
            received.emplace_back(piece);
        });
    }
};
}  // namespace

TEST(StoreFile, AWriteThatFailsPartWayStopsEncodingAndReportsIt) {
    std::map<std::string, int64_t> entries;
    for (int64_t i = 0; i < 5000; ++i) entries.emplace("k" + std::to_string(100000 + i), i);
    auto append = [](std::string& out, int64_t value) { json::appendInteger(out, value); };
    const std::string text = StoreFile::compactText(3, "entries", entries, append);
    TempDir dir;
    for (size_t room : {size_t{0}, size_t{1}, size_t{7}, size_t{30}}) {
        SCOPED_TRACE(room);
        auto fileSystem = std::make_shared<FillingFileSystem>();
        fileSystem->room = room;
        StoreFile file(URL::fileURL(dir / "cache.json"), fileSystem, StoreFile::Unusable::rebuild);
        EXPECT_FALSE(file.writeCompact(3, "entries", entries, append));
        // What went out before the disk filled up is the start of the text, in order.
        std::string written;
        for (const std::string& piece : fileSystem->received) written += piece;
        EXPECT_EQ(fileSystem->received.size(), room);
        EXPECT_EQ(text.substr(0, written.size()), written);
    }
}

// Every store's unusable file goes through here: the stores' own tests only check their policy.
TEST(StoreFile, AnUnusableFileIsSetAsideOrRebuiltAndAFileThatCantBeMovedAsideIsNeverOverwritten) {
    struct Case {
        const char* name;
        StoreFile::Unusable policy;
        const char* contents;  // none: the read fails with EIO
        bool renameFails;
        bool written;      // the new text is in place
        size_t setAside;  // files beside it holding the old text
    };
    const Case cases[] = {
        {"damaged, set aside", StoreFile::Unusable::setAside, "{broken", false, true, 1},
        {"unreadable, set aside", StoreFile::Unusable::setAside, nullptr, false, true, 1},
        {"damaged, cannot move aside", StoreFile::Unusable::setAside, "{broken", true, false, 0},
        {"unreadable, cannot move aside", StoreFile::Unusable::setAside, nullptr, true, false, 0},
        {"damaged cache", StoreFile::Unusable::rebuild, "{broken", false, true, 0},
        {"unreadable cache", StoreFile::Unusable::rebuild, nullptr, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir / "store.json";
        ordane::testing::writeFile(path, c.contents ? c.contents : "{\"version\": 1, \"entries\": {}}");
        auto fileSystem = std::make_shared<ordane::testing::FaultInjectingFileSystem>();
        if (!c.contents) fileSystem->fail(Operation::readFile, "", EIO, 0, 1);
        if (c.renameFails) fileSystem->fail(Operation::moveNoReplace, "", EIO);
        StoreFile file(URL::fileURL(path), fileSystem, c.policy);
        EXPECT_FALSE(file.load([](std::string_view text) { return entriesOf(text, 1); }));
        const std::string old = ordane::testing::readFile(path);
        EXPECT_EQ(file.write("{}"), c.written);
        EXPECT_EQ(ordane::testing::readFile(path), c.written ? "{}" : old);
        size_t setAside = 0;
        for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
            if (item.path() != path) setAside += ordane::testing::readFile(item.path()) == old;
        }
        EXPECT_EQ(setAside, c.setAside);
    }
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
    std::multiset<std::string> contents;
    for (const auto& item : std::filesystem::directory_iterator(dir.path())) contents.insert(ordane::testing::readFile(item.path()));
    EXPECT_EQ(contents, (std::multiset<std::string>{"{}", "broken 0", "broken 1", "broken 2"}));
}

namespace {
// Notes on which thread each file it opened for reading is let go.
class ClosingWatcher : public ordane::testing::FaultInjectingFileSystem {
public:
    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override {
        struct Watched : platform::ReadableFile {
            std::unique_ptr<platform::ReadableFile> inner;
            ClosingWatcher* watcher;
            size_t read(char* buffer, size_t count) override { return inner->read(buffer, count); }
            ~Watched() override {
                std::lock_guard lock(watcher->mutex);
                watcher->closedOn.push_back(std::this_thread::get_id());
            }
        };
        auto inner = FaultInjectingFileSystem::openForReading(path);
        auto file = std::make_unique<Watched>();
        file->inner = std::move(inner);
        file->watcher = this;
        return file;
    }
    std::mutex mutex;
    std::vector<std::thread::id> closedOn;
};
}  // namespace

TEST(StoreFile, LetsGoOfTheReplacedFileOffTheCallersThread) {
    TempDir dir;
    const std::string path = dir / "store.json";
    auto fileSystem = std::make_shared<ClosingWatcher>();
    auto piece = [](std::string text) {
        return [text](const std::function<void(std::string_view)>& write) { write(text); };
    };
    {
        StoreFile file(URL::fileURL(path), fileSystem, StoreFile::Unusable::rebuild);
        EXPECT_TRUE(file.writePieces(piece("first")));  // nothing to replace yet
        EXPECT_TRUE(file.writePieces(piece("second")));
        EXPECT_EQ(ordane::testing::readFile(path), "second");
        // A replaced file that can't be opened changes nothing about the write.
        fileSystem->fail(Operation::openForReading, "store.json", EACCES);
        EXPECT_TRUE(file.writePieces(piece("third")));
        EXPECT_EQ(ordane::testing::readFile(path), "third");
    }
    std::lock_guard lock(fileSystem->mutex);
    ASSERT_EQ(fileSystem->closedOn.size(), 1u);
    EXPECT_NE(fileSystem->closedOn[0], std::this_thread::get_id());
}

namespace {
using Entries = std::vector<std::pair<std::string, Json>>;

// The entries of version 3 read from pieces of `chunkSize` bytes, the text handed over at most
// `most` bytes a read.
Entries readInPieces(std::string_view text, size_t chunkSize, size_t most = SIZE_MAX) {
    Entries result;
    StoreFile::readEntries(
        [&text, most](char* buffer, size_t count) {
            count = std::min({count, most, text.size()});
            std::copy_n(text.data(), count, buffer);
            text.remove_prefix(count);
            return count;
        },
        chunkSize, 3, "entries", [](JsonReader& reader) { return reader.readValue(); },
        [&result](std::string key, Json value) { result.emplace_back(std::move(key), std::move(value)); });
    return result;
}

// Pieces may end inside a key, a string, an escape, a number, a literal or between tokens.
const std::string awkward = "\xEF\xBB\xBF" R"( { "before" : [1, {"x": "}\""}], "entries" : {)"
                            R"("/a": {"n": -12.5e-3, "s": "line\nquote\" back\\ {[\u00e9 \ud83d\ude00"},)"
                            R"("/b\u00e9" : 123456789 ,"/c":[[],{},"",0,-0.0,1E+2,true,false,null],)"
                            "\"/d\\\\\\\"\": \"\\\\\"\n\t,\"/e\": 7}, \"version\": 3 , \"after\": \"x\\\"y\" }  \n";
}  // namespace

TEST(StoreFile, EntriesReadInPiecesAreTheSameWhereverAPieceEnds) {
    const Entries whole = readInPieces(awkward, StoreFile::readChunkSize);
    std::vector<std::string> keys;
    for (const auto& [key, value] : whole) {
        keys.push_back(key);
        EXPECT_EQ(value, json::parse(awkward)["entries"][key]) << key;
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"/a", "/b\u00e9", "/c", "/d\\\"", "/e"}));
    for (size_t chunkSize = 1; chunkSize <= awkward.size() + 1; ++chunkSize) {
        SCOPED_TRACE(chunkSize);
        EXPECT_EQ(readInPieces(awkward, chunkSize), whole);
        // Reads that hand over less than asked fill a piece all the same.
        if (chunkSize % 16 == 0) {
            EXPECT_EQ(readInPieces(awkward, chunkSize, 3), whole);
        }
    }
    // Entries far longer than a piece, between short ones.
    std::string line;
    for (int k = 0; line.size() < 300000; ++k) line += "word " + std::to_string(k) + (k % 7 == 0 ? "\\n\\\"" : "");
    std::string numbers = "7";
    while (numbers.size() < 200000) numbers += ",7";
    const std::string longEntries =
        R"({"version":3,"entries":{"/a":1,"/long":")" + line + R"(","/b":[)" + numbers + R"(],"/c":2}})";
    const Entries expected = readInPieces(longEntries, StoreFile::readChunkSize);
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected[1].second, json::parse(longEntries)["entries"]["/long"]);
    for (size_t chunkSize : {size_t{100}, size_t{4096}, size_t{70000}}) EXPECT_EQ(readInPieces(longEntries, chunkSize), expected) << chunkSize;
}

TEST(StoreFile, ATextCutShortOrDamagedIsRefusedWhereverAPieceEnds) {
    const std::string text = awkward;
    for (size_t length = 0; length < text.size(); ++length) {
        // Only the whitespace after the last brace may go.
        if (text.find_first_not_of(" \n", length) == std::string::npos) break;
        SCOPED_TRACE(length);
        for (size_t chunkSize : {size_t{1}, size_t{7}, StoreFile::readChunkSize}) {
            EXPECT_THROW(readInPieces(std::string_view(text).substr(0, length), chunkSize), DecodingError) << chunkSize;
        }
    }
    const std::pair<std::string, std::string> damage[] = {
        {"-12.5e-3", "-12.5e-"}, {"123456789 ,", "123456789 :"}, {"\\u00e9\"", "\\u00g9\""}, {"\\ud83d\\ude00", "\\ud83d"},
        {"\"/e\"", "/e"},         {"7}", "7]"},                  {"\"version\": 3", "\"version\": 2"},
        {"}  \n", "} x"},         {"\"/a\": ", "\"/a\" "}};
    for (const auto& [from, to] : damage) {
        SCOPED_TRACE(to);
        std::string damaged = text;
        damaged.replace(damaged.find(from), from.size(), to);
        for (size_t chunkSize : {size_t{1}, size_t{5}, size_t{64}, StoreFile::readChunkSize}) {
            EXPECT_THROW(readInPieces(damaged, chunkSize), DecodingError) << chunkSize;
        }
    }
}
