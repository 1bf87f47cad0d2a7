#include <gtest/gtest.h>
#include <sys/stat.h>

#include "OrdanePlatform/Metadata/BoundedFileReader.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using namespace ordane::testing;

namespace {

std::string counting(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

}  // namespace

TEST(BoundedFileReader, GivesExactPiecesWithinTheFile) {
    TempDir dir;
    const std::string contents = counting(100'000);
    writeFile(dir / "file", contents);
    BoundedFileReader file(dir / "file", 1 << 20);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.fileSize(), contents.size());
    for (const auto& [offset, length] : std::vector<std::pair<uint64_t, size_t>>{
             {0, 8}, {5, 3}, {16'380, 10}, {40'000, 30'000}, {99'990, 10}, {100'000, 0}}) {
        auto piece = file.read(offset, length);
        ASSERT_TRUE(piece) << offset;
        EXPECT_TRUE(*piece == std::string_view(contents).substr(offset, length)) << offset;
    }
    EXPECT_EQ(file.read(99'995, 6), std::nullopt);
    EXPECT_EQ(file.read(100'001, 0), std::nullopt);
    EXPECT_EQ(file.read(UINT64_MAX - 2, 8), std::nullopt);
    EXPECT_EQ(file.read(8, SIZE_MAX), std::nullopt);
}

TEST(BoundedFileReader, NeverReadsMoreThanItsCap) {
    TempDir dir;
    const std::string contents = counting(1'000'000);
    writeFile(dir / "file", contents);
    constexpr size_t cap = 40'000;
    BoundedFileReader file(dir / "file", cap);
    EXPECT_EQ(file.read(0, cap + 1), std::nullopt);  // refused whole, before reading
    EXPECT_EQ(file.bytesRead(), 0u);
    // Small pieces spread over the file: each new window costs, until the cap is spent.
    size_t given = 0;
    for (uint64_t offset = 0; offset < contents.size(); offset += 30'000) {
        if (auto piece = file.read(offset, 100)) {
            EXPECT_TRUE(*piece == std::string_view(contents).substr(offset, 100)) << offset;
            ++given;
        }
    }
    EXPECT_LE(file.bytesRead(), cap);
    EXPECT_EQ(given, cap / BoundedFileReader::readAhead + 1);  // two full windows, then the rest of the cap
    // What was read last is still there without reading again.
    EXPECT_TRUE(file.read(2 * 30'000 + 50, 10));
    EXPECT_LE(file.bytesRead(), cap);
}

TEST(BoundedFileReader, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0600), 0);  // nobody writes: a blocking open would hang
    makeDirectories(dir / "folder.png");
    for (const char* name : {"pipe.png", "folder.png", "missing.png"}) {
        BoundedFileReader file(dir / name, 1024);
        EXPECT_FALSE(file.isOpen()) << name;
        EXPECT_EQ(file.read(0, 0), std::nullopt) << name;
    }
}
