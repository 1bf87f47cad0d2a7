#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "OrdaneCore/Foundation/UUID.hpp"

using ordane::UUID;

TEST(UUID, RandomIdsAreVersionFourAndDistinct) {
    std::set<UUID> seen;
    for (int i = 0; i < 5000; ++i) {
        UUID id = UUID::random();
        std::string text = id.uuidString();
        ASSERT_EQ(text[14], '4') << text;
        ASSERT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 5000u);
}

TEST(UUID, AForkedChildNeverRepeatsItsParentsIds) {
    UUID::random();  // the pool is filled and part used
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UUID id = UUID::random();
        ssize_t written = ::write(channel[1], id.bytes.data(), id.bytes.size());
        ::_exit(written == 16 ? 0 : 1);
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
