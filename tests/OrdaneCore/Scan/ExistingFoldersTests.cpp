#include <gtest/gtest.h>

#include <algorithm>

#include "OrdaneCore/Scan/ExistingFolders.hpp"

using namespace ordane;

namespace {

FileRecord record(const std::string& path, bool isDirectory = false) {
    FileRecord r;
    r.id = UUID::random();
    r.url = URL::fileURL(path, isDirectory);
    r.isDirectory = isDirectory;
    return r;
}

std::vector<std::string> sortedPaths(const ExistingFolders& folders) {
    std::vector<std::string> paths;
    for (const auto& folder : folders.folders()) paths.push_back(folder.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

TEST(ExistingFolders, EveryAncestorUpToItsRootAndTheDirectoryRecords) {
    const std::vector<URL> roots = {URL::fileURL("/home/ada/Documents", true), URL::fileURL("/home/ada/Music/", true)};
    const std::vector<FileRecord> records = {
        record("/home/ada/Documents/Work/Invoices/2023/a.pdf"),
        record("/home/ada/Documents/Work/b.pdf"),  // its folders are already held
        record("/home/ada/Documents/./Taxes/../Letters/c.txt"),
        record("/home/ada/Documents/Code/node_modules", true),  // a directory record adds itself too
        record("/home/ada/Music/x.mp3"),
        record("/elsewhere/odd/z.txt"),           // under no root: no ancestor is known
        record("/elsewhere/Volume/Bundle", true),  // still a directory the scan saw
    };
    const ExistingFolders folders = ExistingFolders::fromScan(records, roots);
    EXPECT_EQ(sortedPaths(folders), (std::vector<std::string>{
                                        "/elsewhere/Volume/Bundle",
                                        "/home/ada/Documents",
                                        "/home/ada/Documents/Code",
                                        "/home/ada/Documents/Code/node_modules",
                                        "/home/ada/Documents/Letters",
                                        "/home/ada/Documents/Work",
                                        "/home/ada/Documents/Work/Invoices",
                                        "/home/ada/Documents/Work/Invoices/2023",
                                        "/home/ada/Music",
                                    }));
    EXPECT_TRUE(folders.contains("/home/ada/Documents/Work/Invoices/"));
    EXPECT_TRUE(folders.contains("/home/ada/Documents/Work/Invoices/2023/.."));
    EXPECT_FALSE(folders.contains("/home/ada/documents/work/invoices"));  // case matters on Linux
    EXPECT_FALSE(folders.contains("/home/ada"));
    EXPECT_TRUE(ExistingFolders::fromScan(records, {}).contains("/elsewhere/Volume/Bundle"));
    EXPECT_EQ(ExistingFolders::fromScan(records, {}).size(), 2u);
}

TEST(ExistingFolders, NestedRootsStopAtTheDeepestAndKeysAreLowerCasedBesideTheRealPath) {
    const std::vector<URL> roots = {URL::fileURL("/home/ada", true), URL::fileURL("/home/ada/Documents", true)};
    const ExistingFolders folders = ExistingFolders::fromScan(
        {record("/home/ada/Documents/ÄRZTE/Brief.pdf"), record("/home/ada/Documents/Invoices/x.pdf"),
         record("/home/ada/Documents/invoices/y.pdf"), record("/home/ada/Documents/Bad\xFF/z.pdf")},
        roots);
    EXPECT_FALSE(folders.contains("/home/ada"));  // the deeper root bounds the climb
    EXPECT_EQ(folders.size(), 5u);
    // Two real folders share one key; a key that is itself a real path gives that one.
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/invoices"), "/home/ada/Documents/Invoices");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/Documents/invoices"), "/home/ada/Documents/invoices");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/ärzte"), "/home/ada/Documents/ÄRZTE");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/bad\uFFFD"), "/home/ada/Documents/Bad\xFF");
    EXPECT_EQ(folders.pathWithKey("/home/ada/documents/taxes"), nullptr);
}
