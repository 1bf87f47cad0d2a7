#include <gtest/gtest.h>

#include "Support/TestEnvironment.hpp"

int main(int argc, char** argv) {
    ordane::testing::restartWithLibraryEnvironment(argv);
    std::string home = ordane::testing::prepareTestEnvironment();
    if (home.empty()) return 2;
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    ordane::testing::removeTestEnvironment(home);
    return result;
}
