#include "OrdanePlatform/System/UserAccount.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace ordane::platform {

std::optional<UserAccount> UserAccount::current() { return forUser(::getuid()); }

std::optional<UserAccount> UserAccount::forUser(uid_t userID) {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
    struct passwd entry{};
    struct passwd* found = nullptr;
    int error = 0;
    // The buffer grows until a long entry fits; the database may be larger than sysconf says.
    while ((error = ::getpwuid_r(userID, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || !found) return std::nullopt;
    UserAccount account;
    account.loginName = found->pw_name ? found->pw_name : "";
    account.gecos = found->pw_gecos ? found->pw_gecos : "";
    account.homeDirectory = found->pw_dir ? found->pw_dir : "";
    return account;
}

std::string UserAccount::fullName() const {
    std::string_view field(gecos);
    field = field.substr(0, field.find(','));
    std::string capitalised = loginName;
    if (!capitalised.empty() && capitalised[0] >= 'a' && capitalised[0] <= 'z') {
        capitalised[0] = static_cast<char>(capitalised[0] - 'a' + 'A');
    }
    std::string name;
    for (char c : field) {
        if (c == '&') {
            name += capitalised;
        } else {
            name += c;
        }
    }
    const char* blank = " \t";
    size_t first = name.find_first_not_of(blank);
    if (first == std::string::npos) return loginName;
    return name.substr(first, name.find_last_not_of(blank) - first + 1);
}

}  // namespace ordane::platform
