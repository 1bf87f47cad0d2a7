#include <gtest/gtest.h>

#include <vector>

#include "OrdaneRecognition/Families/FamilyKey.hpp"

using namespace ordane;

namespace {

std::vector<URL> urls(std::initializer_list<const char*> paths) {
    std::vector<URL> result;
    for (const char* path : paths) result.push_back(URL::fileURL(path));
    return result;
}

}  // namespace

// Expected digits were computed apart from the code, with FNV-1a over the path bytes.
TEST(FamilyKey, PrefixAndUpperCaseDigitsOfTheCombinedPathHashes) {
    const char* january = "/home/u/Documents/Statement January.pdf";
    const char* february = "/home/u/Documents/Statement February.pdf";
    EXPECT_EQ(FamilyKey::make(urls({january, february}), true), "series|5F236DC867A21CD4");
    EXPECT_EQ(FamilyKey::make(urls({february, january}), false), "family|5F236DC867A21CD4");
    // 15 digits: the leading zero nibble is not written.
    EXPECT_EQ(FamilyKey::make(urls({january, "/home/u/Bills/bill-14.pdf"}), true), "series|C87CB91937096EE");
    // Paths that cancel leave zero, written as one digit.
    EXPECT_EQ(FamilyKey::make(urls({january, january}), false), "family|0");
    // A folder URL of the same path counts the same.
    EXPECT_EQ(FamilyKey::make(std::vector<URL>{URL::fileURL(january, true), URL::fileURL(february)}, false),
              "family|5F236DC867A21CD4");
}
