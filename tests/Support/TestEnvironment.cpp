#include "Support/TestEnvironment.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
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

void restartWithLibraryEnvironment(char** argv) {
    const char* threads = std::getenv("OMP_THREAD_LIMIT");
    const bool threadsSet = threads && std::strcmp(threads, "1") == 0;
    const bool leaksSet = std::getenv("LSAN_OPTIONS") != nullptr;
    if (threadsSet && leaksSet) return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::setenv("LSAN_OPTIONS", "suppressions=" ORDANE_LSAN_SUPPRESSIONS ":print_suppressions=0", 0);
    ::execv("/proc/self/exe", argv);
}

}  // namespace ordane::testing
