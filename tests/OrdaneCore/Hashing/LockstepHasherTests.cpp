#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/LockstepHasher.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

std::string bytes(size_t size, unsigned seed) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 131 + seed * 7 + i / 997) & 0xff);
    return text;
}

}  // namespace

// Every file gets the digest it has on its own, however the files part: at the start, across a
// chunk boundary, at the last byte, by length, or by being unreadable.
TEST(LockstepHasher, EachFileGetsItsOwnDigest) {
    TempDir dir;
    const size_t size = 3 * LockstepHasher::maximumChunk + 17;
    std::string base = bytes(size, 1);
    auto changedAt = [&](size_t offset) {
        std::string text = base;
        text[offset] ^= 0x40;
        return text;
    };
    std::vector<std::string> contents = {base,
                                         base,
                                         changedAt(0),
                                         changedAt(LockstepHasher::maximumChunk),  // first byte of the second chunk
                                         changedAt(size - 1),
                                         base.substr(0, size - 1),
                                         base + "x",
                                         base,
                                         "",
                                         base};
    std::vector<std::string> paths;
    for (size_t i = 0; i < contents.size(); ++i) {
        paths.push_back(dir / ("f" + std::to_string(i)));
        writeFile(paths.back(), contents[i]);
    }
    auto fileSystem = std::make_shared<FaultInjectingFileSystem>();
    fileSystem->fail(Operation::read, "/f7", EIO, /*skip=*/2);  // partway through
    fileSystem->fail(Operation::openForReading, "/f9", EIO);
    auto digests = LockstepHasher(fileSystem).sha256(paths);

    ASSERT_EQ(digests.size(), contents.size());
    for (size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        if (i == 7 || i == 9) {
            EXPECT_FALSE(digests[i]);
        } else {
            ASSERT_TRUE(digests[i]);
            EXPECT_EQ(*digests[i], Sha256::of(contents[i].data(), contents[i].size()));
        }
    }
    // A copy of the first file is hashed once with it, yet gets the same digest.
    EXPECT_EQ(digests[0], digests[1]);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(LockstepHasher(fileSystem).sha256({paths[0], paths[1]}, stop.get_token()), CancellationError);
}

// Going on from the hash of a start the files share, each file is read from there on and still
// gets its own whole digest; a file shorter than the start, or not of the given length, gets none.
TEST(LockstepHasher, GoesOnFromASharedStart) {
    TempDir dir;
    const size_t startLength = 65536;
    const size_t size = 2 * LockstepHasher::maximumChunk + 5;
    std::string base = bytes(size, 3);
    std::string changedLater = base;
    changedLater[startLength + 10] ^= 1;
    std::vector<std::string> contents = {base, changedLater, base.substr(0, startLength), base.substr(0, 1000),
                                         base.substr(0, size - 1), base};
    std::vector<std::string> paths;
    for (size_t i = 0; i < contents.size(); ++i) {
        paths.push_back(dir / ("s" + std::to_string(i)));
        writeFile(paths.back(), contents[i]);
    }
    auto fileSystem = std::make_shared<FaultInjectingFileSystem>();
    LockstepHasher::SharedStart start;
    start.hash.update(base.data(), startLength);
    start.length = startLength;
    for (const std::string& path : paths) start.versions.push_back(fileSystem->openForReading(path)->version());

    auto digests = LockstepHasher(fileSystem).sha256(paths, {}, &start);
    ASSERT_EQ(digests.size(), contents.size());
    for (size_t i : {0, 1, 2, 4, 5}) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(digests[i]);
        EXPECT_EQ(*digests[i], Sha256::of(contents[i].data(), contents[i].size()));
    }
    EXPECT_FALSE(digests[3]) << "shorter than the start it was said to share";
    // The start given is not used up: it serves the next call as well, here with a length to hold to.
    digests = LockstepHasher(fileSystem).sha256(paths, {}, &start, size);
    for (size_t i = 0; i < contents.size(); ++i) EXPECT_EQ(digests[i].has_value(), contents[i].size() == size) << i;
    EXPECT_EQ(digests[0], digests[5]);
}

TEST(Sha256, HexRoundTripAndRefusals) {
    Sha256::Digest digest = Sha256::of("abc", 3);
    std::string hex = Sha256::hex(digest);
    EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::fromHex(hex), digest);
    for (std::string bad : {std::string(), hex.substr(1), hex + "0", "BA" + hex.substr(2), "zz" + hex.substr(2)}) {
        EXPECT_FALSE(Sha256::fromHex(bad)) << bad;
    }
    // A copy goes on from the state it was taken in.
    Sha256 running;
    running.update("ab", 2);
    Sha256 copy = running;
    running.update("c", 1);
    copy.update("c", 1);
    EXPECT_EQ(copy.finish(), digest);
    EXPECT_EQ(running.finish(), digest);
}
