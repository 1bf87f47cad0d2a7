#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace ordane::platform {

// One entry of the password database.
struct UserAccount {
    std::string loginName;
    std::string gecos;  // the comment field: "Full Name,Room,Work phone,Home phone,Other"
    std::string homeDirectory;

    // The entry of the process's real user; none when the database has no entry for it.
    static std::optional<UserAccount> current();
    static std::optional<UserAccount> forUser(uid_t userID);

    // The comment field up to its first comma, each "&" replaced by the login name with its first
    // letter capitalised, trimmed; the login name when that leaves nothing.
    std::string fullName() const;

    bool operator==(const UserAccount&) const = default;
};

}  // namespace ordane::platform
