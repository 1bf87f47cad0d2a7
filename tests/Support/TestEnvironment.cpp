#include "Support/TestEnvironment.hpp"

#include <cstdlib>
#include <filesystem>

namespace ordane::testing {

std::string prepareTestEnvironment() {
    std::string base = (std::filesystem::temp_directory_path() / "ordane-home-XXXXXX").string();
    if (!::mkdtemp(base.data())) return {};
    ::setenv("HOME", base.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base + "/.local/share").c_str(), 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    return base;
}

void removeTestEnvironment(const std::string& home) {
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

}  // namespace ordane::testing
