#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::CancellationError;
using ordane::FileHasher;
using ordane::URL;
using ordane::platform::FileSystemError;
using ordane::testing::TempDir;
using ordane::testing::writeFile;

namespace {

const std::string emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string twoBlockMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string twoBlockDigest = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
const std::string millionADigest = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

// A file served from memory: logs every read (outside itself, as the hasher destroys it), can
// return short reads, and runs a hook before each read to fail or cancel.
struct ScriptedFile : ordane::platform::ReadableFile {
    std::string contents;
    size_t position = 0;
    size_t maxPerRead = std::numeric_limits<size_t>::max();
    std::function<void(size_t readIndex)> beforeRead;
    std::vector<size_t>* requested = nullptr;
    bool* closed = nullptr;

    ~ScriptedFile() override { *closed = true; }

    size_t read(char* buffer, size_t count) override {
        if (beforeRead) beforeRead(requested->size());
        requested->push_back(count);
        size_t n = std::min({count, maxPerRead, contents.size() - position});
        std::memcpy(buffer, contents.data() + position, n);
        position += n;
        return n;
    }
};

// The real file system, except that opening hands out one scripted file.
struct ScriptedFileSystem : ordane::platform::RealFileSystem {
    std::unique_ptr<ScriptedFile> next;
    int opens = 0;

    std::unique_ptr<ordane::platform::ReadableFile> openForReading(const std::string&) override {
        ++opens;
        return std::move(next);
    }
};

struct Scripted {
    std::shared_ptr<ScriptedFileSystem> fileSystem = std::make_shared<ScriptedFileSystem>();
    FileHasher hasher{fileSystem};
    std::vector<size_t> requested;
    bool closed = false;

    ScriptedFile& file(std::string contents) {
        fileSystem->next = std::make_unique<ScriptedFile>();
        fileSystem->next->contents = std::move(contents);
        fileSystem->next->requested = &requested;
        fileSystem->next->closed = &closed;
        return *fileSystem->next;
    }
};

const URL anyURL = URL::fileURL("/scripted/file");

}  // namespace

TEST(FileHasher, MatchesTheStandardDigestsWhateverTheChunkSize) {
    TempDir dir;
    writeFile(dir / "empty", "");
    writeFile(dir / "two-blocks", twoBlockMessage);
    writeFile(dir / "million", std::string(1000000, 'a'));
    FileHasher hasher;
    EXPECT_EQ(hasher.sha256(URL::fileURL(dir / "empty"), FileHasher::defaultChunkSize), emptyDigest);
    for (int64_t chunk : {int64_t{1}, int64_t{55}, int64_t{56}, int64_t{64}, FileHasher::defaultChunkSize}) {
        EXPECT_EQ(hasher.sha256(URL::fileURL(dir / "two-blocks"), chunk), twoBlockDigest) << chunk;
    }
    for (int64_t chunk : {int64_t{4096}, int64_t{999999}, FileHasher::defaultChunkSize,
                          std::numeric_limits<int64_t>::max()}) {
        EXPECT_EQ(hasher.sha256(URL::fileURL(dir / "million"), chunk), millionADigest) << chunk;
    }
}

TEST(FileHasher, RejectsChunkSizesOfZeroOrLessBeforeOpening) {
    Scripted s;
    s.file("abc");
    EXPECT_THROW(s.hasher.sha256(anyURL, 0), std::invalid_argument);
    EXPECT_THROW(s.hasher.sha256(anyURL, -1), std::invalid_argument);
    EXPECT_EQ(s.fileSystem->opens, 0);
}

TEST(FileHasher, ReadsAFileOfOneChunkInOneChunkPlusOneEmptyRead) {
    Scripted s;
    s.file(twoBlockMessage);
    EXPECT_EQ(s.hasher.sha256(anyURL, 56), twoBlockDigest);
    EXPECT_EQ(s.requested, (std::vector<size_t>{56, 56}));
    EXPECT_TRUE(s.closed);
}

TEST(FileHasher, GoesOnAfterShortReads) {
    Scripted s;
    s.file(twoBlockMessage).maxPerRead = 3;
    EXPECT_EQ(s.hasher.sha256(anyURL, 1024), twoBlockDigest);
    EXPECT_EQ(s.requested.size(), 20u);  // 19 short reads of at most 3 bytes, then the empty one
    EXPECT_TRUE(s.closed);
}

TEST(FileHasher, ReadsAHugeChunkSizeThroughABoundedBuffer) {
    Scripted s;
    s.file("abc");
    EXPECT_EQ(s.hasher.sha256(anyURL, std::numeric_limits<int64_t>::max()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(s.requested.front(), FileHasher::maxBufferSize);
}

TEST(FileHasher, ReportsTheReadErrorAndClosesTheFile) {
    Scripted s;
    s.file(std::string(100, 'x')).beforeRead = [](size_t index) {
        if (index == 1) throw FileSystemError(EIO, "read", "/scripted/file");
    };
    try {
        s.hasher.sha256(anyURL, 10);
        FAIL() << "expected a read error";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), EIO);
    }
    EXPECT_TRUE(s.closed);
}

TEST(FileHasher, StopsAfterTheCurrentChunkWhenCancelled) {
    Scripted s;
    std::stop_source source;
    s.file(std::string(100, 'x')).beforeRead = [&](size_t index) {
        if (index == 1) source.request_stop();
    };
    EXPECT_THROW(s.hasher.sha256(anyURL, 10, source.get_token()), CancellationError);
    EXPECT_EQ(s.requested.size(), 2u);  // the chunk being read when asked to stop was the last
    EXPECT_TRUE(s.closed);

    Scripted early;
    early.file("abc");
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_THROW(early.hasher.sha256(anyURL, 10, stopped.get_token()), CancellationError);
    EXPECT_TRUE(early.requested.empty());
    EXPECT_TRUE(early.closed);
}

TEST(FileHasher, OpensOnlyRegularFiles) {
    TempDir dir;
    ordane::testing::makeDirectories(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    FileHasher hasher;
    auto errorOf = [&](const std::string& path) {
        try {
            hasher.sha256(URL::fileURL(path), 4096);
        } catch (const FileSystemError& error) {
            return error.errorNumber();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(dir / "folder"), EISDIR);
    EXPECT_EQ(errorOf(dir / "pipe"), EINVAL);  // refused at once, never blocks waiting for a writer
    EXPECT_EQ(errorOf(dir / "missing"), ENOENT);
}

TEST(FileHasher, HexStringIsTwoLowerCaseDigitsPerByte) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff, 0x5c};
    EXPECT_EQ(FileHasher::hexString(bytes), "000fa0ff5c");
    EXPECT_EQ(FileHasher::hexString({}), "");
}
