#include <gtest/gtest.h>

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

const std::string twoBlockMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string twoBlockDigest = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
const std::string millionADigest = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

// A file served from memory that counts its reads (outside itself, as the hasher destroys it), can
// return short reads, and runs a hook before each read to fail or cancel.
struct ScriptedFile : ordane::platform::ReadableFile {
    std::string contents;
    size_t position = 0;
    size_t maxPerRead = std::numeric_limits<size_t>::max();
    std::function<void(int readIndex)> beforeRead;
    int* reads = nullptr;
    bool* closed = nullptr;

    ~ScriptedFile() override { *closed = true; }

    size_t read(char* buffer, size_t count) override {
        if (beforeRead) beforeRead(*reads);
        ++*reads;
        size_t n = std::min({count, maxPerRead, contents.size() - position});
        std::memcpy(buffer, contents.data() + position, n);
        position += n;
        return n;
    }
};

// A hasher whose file system hands out one scripted file.
struct Scripted {
    struct FileSystem : ordane::platform::RealFileSystem {
        std::unique_ptr<ScriptedFile> next;
        int opens = 0;
        std::unique_ptr<ordane::platform::ReadableFile> openForReading(const std::string&) override {
            ++opens;
            return std::move(next);
        }
    };
    std::shared_ptr<FileSystem> fileSystem = std::make_shared<FileSystem>();
    FileHasher hasher{fileSystem};
    int reads = 0;
    bool closed = false;

    ScriptedFile& file(std::string contents) {
        fileSystem->next = std::make_unique<ScriptedFile>();
        fileSystem->next->contents = std::move(contents);
        fileSystem->next->reads = &reads;
        fileSystem->next->closed = &closed;
        return *fileSystem->next;
    }
};

const URL anyURL = URL::fileURL("/scripted/file");

}  // namespace

TEST(FileHasher, MatchesTheStandardDigestsWhateverTheChunkSize) {
    TempDir dir;
    writeFile(dir / "two-blocks", twoBlockMessage);
    writeFile(dir / "million", std::string(1000000, 'a'));
    FileHasher hasher;
    for (int64_t chunk : {int64_t{1}, int64_t{55}, FileHasher::defaultChunkSize}) {
        EXPECT_EQ(hasher.sha256(URL::fileURL(dir / "two-blocks"), chunk), twoBlockDigest) << chunk;
    }
    // The largest chunk size is read through a bounded buffer.
    for (int64_t chunk : {int64_t{999999}, std::numeric_limits<int64_t>::max()}) {
        EXPECT_EQ(hasher.sha256(URL::fileURL(dir / "million"), chunk), millionADigest) << chunk;
    }

    // A short read is not the end of the file.
    Scripted trickle;
    trickle.file(twoBlockMessage).maxPerRead = 3;
    EXPECT_EQ(trickle.hasher.sha256(anyURL, 1024), twoBlockDigest);

    Scripted refused;
    refused.file("abc");
    EXPECT_THROW(refused.hasher.sha256(anyURL, 0), std::invalid_argument);
    EXPECT_EQ(refused.fileSystem->opens, 0);
}

TEST(FileHasher, ReadErrorsAndCancellationCloseTheFile) {
    Scripted failing;
    failing.file(std::string(100, 'x')).beforeRead = [](int index) {
        if (index == 1) throw FileSystemError(EIO, "read", "/scripted/file");
    };
    EXPECT_THROW(failing.hasher.sha256(anyURL, 10), FileSystemError);
    EXPECT_TRUE(failing.closed);

    // The chunk being read when asked to stop is the last.
    Scripted stopped;
    std::stop_source source;
    stopped.file(std::string(100, 'x')).beforeRead = [&](int index) {
        if (index == 1) source.request_stop();
    };
    EXPECT_THROW(stopped.hasher.sha256(anyURL, 10, source.get_token()), CancellationError);
    EXPECT_EQ(stopped.reads, 2);
    EXPECT_TRUE(stopped.closed);
}
