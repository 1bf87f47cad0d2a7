#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Every test process gets its own home and data folders, so nothing touches the real home or Trash.
int main(int argc, char** argv) {
    std::string base = (std::filesystem::temp_directory_path() / "ordane-home-XXXXXX").string();
    if (!::mkdtemp(base.data())) return 2;
    ::setenv("HOME", base.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base + "/.local/share").c_str(), 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    return result;
}
