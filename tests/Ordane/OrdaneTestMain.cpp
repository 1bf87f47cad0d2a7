#include <gtest/gtest.h>

#include <QApplication>
#include <sys/stat.h>

#include <cstdlib>

#include "Support/TestEnvironment.hpp"

int main(int argc, char** argv) {
    ordane::testing::restartWithLibraryEnvironment(argv);
    std::string home = ordane::testing::prepareTestEnvironment();
    if (home.empty()) return 2;
    std::string runtime = home + "/runtime";
    if (::mkdir(runtime.c_str(), 0700) == 0) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // 0: an X server chosen by the caller still wins
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    ordane::testing::removeTestEnvironment(home);
    return result;
}
