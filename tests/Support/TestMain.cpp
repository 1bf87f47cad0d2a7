#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// libgomp reads its thread limit, and LeakSanitizer its suppressions, only when the process starts:
// a test process without them starts itself again with them.
void restartWithLibraryEnvironment(char** argv) {
    const char* threads = std::getenv("OMP_THREAD_LIMIT");
    const bool threadsSet = threads && std::strcmp(threads, "1") == 0;
    const bool leaksSet = std::getenv("LSAN_OPTIONS") != nullptr;
    if (threadsSet && leaksSet) return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::setenv("LSAN_OPTIONS", "suppressions=" ORDANE_LSAN_SUPPRESSIONS ":print_suppressions=0", 0);
    ::execv("/proc/self/exe", argv);
}

}  // namespace

// Every test process gets its own home and data folders, so nothing touches the real home or Trash.
int main(int argc, char** argv) {
    restartWithLibraryEnvironment(argv);
    std::string base = (std::filesystem::temp_directory_path() / "ordane-home-XXXXXX").string();
    if (!::mkdtemp(base.data())) return 2;
    ::setenv("HOME", base.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base + "/.local/share").c_str(), 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    return result;
}
