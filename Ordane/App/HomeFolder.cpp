#include "Ordane/App/HomeFolder.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/System/UserAccount.hpp"

namespace ordane {

namespace {

std::string currentFolder() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string canonicalOrStandardized(const std::string& path) {
    try {
        return platform::FileSystem::real()->canonicalPath(path);
    } catch (const platform::FileSystemError&) {
        return platform::path::standardized(path);
    }
}

}  // namespace

std::optional<URL> HomeFolder::override() {
    const char* value = std::getenv(overrideVariable);
    if (!value || *value == '\0') return std::nullopt;
    std::string path = value;
    if (path.front() != '/') path = platform::path::appending(currentFolder(), path);
    return URL::fileURL(path, true).standardized();
}

URL HomeFolder::user() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return URL::fileURL(home, true).standardized();
    auto account = platform::UserAccount::current();
    if (account && !account->homeDirectory.empty() && account->homeDirectory.front() == '/') {
        return URL::fileURL(account->homeDirectory, true).standardized();
    }
    return URL::fileURL("/", true);
}

URL HomeFolder::current() { return override().value_or(user()); }

platform::XdgDirectories HomeFolder::directories() {
    if (auto home = override()) return platform::XdgDirectories::under(home->path());
    return platform::XdgDirectories::fromEnvironment(user().path());
}

bool HomeFolder::isRealHome(const URL& folder) {
    std::string candidate = canonicalOrStandardized(folder.path());
    if (candidate == canonicalOrStandardized(user().path())) return true;
    auto account = platform::UserAccount::current();
    return account && !account->homeDirectory.empty() &&
           candidate == canonicalOrStandardized(account->homeDirectory);
}

}  // namespace ordane
