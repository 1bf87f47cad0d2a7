#include <gtest/gtest.h>
#include <unistd.h>

#include "OrdanePlatform/System/UserAccount.hpp"

namespace ordane::platform {
namespace {

TEST(UserAccount, FullNameIsTheCommentUpToTheFirstCommaWithTheLoginNameForAmpersands) {
    struct Case {
        const char* gecos;
        const char* login;
        const char* expected;
    } cases[] = {
        {"Ada Lovelace,Room 1,555-1234,,", "ada", "Ada Lovelace"},
        {"& Smith,,,", "john", "John Smith"},
        {"&&", "bo", "BoBo"},
        {"  Zoë Ångström \t,x", "zoe", "Zoë Ångström"},
        {",Room 2", "sam", "sam"},
        {"   ", "sam", "sam"},
        {"", "9lives", "9lives"},
        {"& of &", "", "of"},
    };
    for (const Case& c : cases) {
        UserAccount account{c.login, c.gecos, "/home/x"};
        EXPECT_EQ(account.fullName(), c.expected) << "gecos \"" << c.gecos << "\", login \"" << c.login << "\"";
    }
}

TEST(UserAccount, TheProcessUserIsFoundAndAnUnknownUserIsNot) {
    auto current = UserAccount::current();
    ASSERT_TRUE(current);
    EXPECT_EQ(current, UserAccount::forUser(::getuid()));
    EXPECT_FALSE(current->loginName.empty());
    EXPECT_FALSE(UserAccount::forUser(static_cast<uid_t>(3999999999u)));
}

}  // namespace
}  // namespace ordane::platform
