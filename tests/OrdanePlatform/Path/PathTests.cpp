#include <gtest/gtest.h>

#include "OrdanePlatform/Path/Path.hpp"

namespace path = ordane::platform::path;

TEST(Path, StandardizesLexically) {
    EXPECT_EQ(path::standardized("/Users/ann/Documents/"), "/Users/ann/Documents");
    EXPECT_EQ(path::standardized("/Users/ann/./Documents/../Desktop"), "/Users/ann/Desktop");
    EXPECT_EQ(path::standardized("//a///b/"), "/a/b");
    EXPECT_EQ(path::standardized("/.."), "/");
    EXPECT_EQ(path::standardized("/a/../.."), "/");
    EXPECT_EQ(path::standardized("/"), "/");
    EXPECT_EQ(path::standardized("a/../../b"), "../b");
}

TEST(Path, InsideMeansBelowTheFolderNotAPrefixOfItsName) {
    EXPECT_TRUE(path::isInside("/h/Downloads/a.zip", "/h/Downloads"));
    EXPECT_TRUE(path::isInside("/h/Downloads/x/y", "/h/Downloads"));
    EXPECT_FALSE(path::isInside("/h/Downloads", "/h/Downloads"));
    EXPECT_FALSE(path::isInside("/h/DownloadsOld/a", "/h/Downloads"));
    EXPECT_TRUE(path::isSameOrInside("/h/Downloads", "/h/Downloads"));
    EXPECT_FALSE(path::isSameOrInside("/h/DownloadsOld", "/h/Downloads"));
    EXPECT_TRUE(path::isInside("/a", "/"));
    EXPECT_FALSE(path::isInside("/", "/"));

    // A home of "/home/ann" holds neither "/home/annie" nor its files.
    struct Case {
        const char* path;
        const char* folder;
        std::optional<std::string> relative;
    };
    for (const Case& c : {Case{"/home/ann", "/home/ann", ""}, Case{"/home/ann/Documents/Taxes", "/home/ann", "Documents/Taxes"},
                          Case{"/home/annie/Documents", "/home/ann", std::nullopt}, Case{"/home/annie", "/home/ann", std::nullopt},
                          Case{"/media/stick/a", "/home/ann", std::nullopt}, Case{"/a/b", "/", "a/b"}}) {
        EXPECT_EQ(path::relativePath(c.path, c.folder), c.relative) << c.path << " in " << c.folder;
    }
}

TEST(Path, ComponentsAndParents) {
    EXPECT_EQ(path::lastComponent("/a/b.txt"), "b.txt");
    EXPECT_EQ(path::lastComponent("/a/b/"), "b");
    EXPECT_EQ(path::lastComponent("/"), "");
    EXPECT_EQ(path::parent("/a/b.txt"), "/a");
    EXPECT_EQ(path::parent("/a"), "/");
    EXPECT_EQ(path::appending("/a/", "b"), "/a/b");
    EXPECT_EQ(path::appending("/", "b"), "/b");
}

TEST(Path, ExtensionFollowsOneRule) {
    EXPECT_EQ(path::extension("/a/Report.PDF"), "pdf");
    EXPECT_EQ(path::extension("/a/Fichier.\u00c9T\u00c9"), "\u00e9t\u00e9");  // lower-cased beyond ASCII too
    EXPECT_EQ(path::extension("/a/x.\u03a3\u0391"), "\u03c3\u03b1");
    EXPECT_EQ(path::extension("/a/archive.tar.gz"), "gz");
    EXPECT_EQ(path::extension("/a/.bashrc"), "");     // a leading dot is no extension
    EXPECT_EQ(path::extension("/a/name."), "");       // nor is a trailing one
    EXPECT_EQ(path::extension("/a.d/README"), "");    // only the last component counts
    EXPECT_EQ(path::extension("/a/Photos Library.photoslibrary/"), "photoslibrary");
    EXPECT_EQ(path::extensionAsWritten("/a/Report.PDF"), "PDF");
    for (std::string_view name : {"Report.PDF", "archive.tar.gz", ".bashrc", "name.", "README", "x.\u00c9T\u00c9"}) {
        auto extension = path::nameExtension(name);
        EXPECT_EQ(extension.written, path::extensionAsWritten(name)) << name;
    }
    EXPECT_FALSE(path::nameExtension("x.\u00c9T\u00c9").ascii);
    EXPECT_TRUE(path::nameExtension("Report.PDF").ascii);
    EXPECT_EQ(path::stem("/a/Report.final.PDF"), "Report.final");
    EXPECT_EQ(path::stem("/a/.bashrc"), ".bashrc");
}

// Read from the end of the name: only the bytes after the last dot decide, whatever comes before.
TEST(Path, NameExtensionLooksOnlyAfterTheLastDot) {
    struct Case {
        std::string_view name;
        std::string_view written;
        bool ascii;
    };
    for (const Case& c : {Case{"Caf\u00e9.txt", "txt", true}, Case{"\u00e9t\u00e9.\u00c9T\u00c9", "\u00c9T\u00c9", false},
                          Case{"r\u00e9sum\u00e9", "", true}, Case{"a.tar.\u00e9", "\u00e9", false},
                          Case{"x.\u00e9.gz", "gz", true}, Case{"libc.so.6", "6", true}, Case{"", "", true},
                          Case{".", "", true}, Case{"..", "", true}, Case{"a..", "", true}, Case{"..a", "a", true},
                          Case{".\u00e9", "", true}, Case{"Makefile", "", true},
                          Case{"a-very-long-name-without-any-dot-at-all-0123456789", "", true},
                          Case{"y.abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwxyz", true},
                          Case{"abcdefg.h", "h", true}, Case{"abcdefgh.", "", true}, Case{".bcdefgh", "", true},
                          Case{"a.bcdefgh", "bcdefgh", true}, Case{"a.b.cdefgh", "cdefgh", true},
                          Case{"12345678.abcdefgh", "abcdefgh", true}, Case{"abc.défgh", "défgh", false},
                          Case{"abcdefgh.é", "é", false}, Case{"éééé.gz", "gz", true}}) {
        auto extension = path::nameExtension(c.name);
        EXPECT_EQ(extension.written, c.written) << c.name;
        EXPECT_EQ(extension.ascii, c.ascii) << c.name;
        EXPECT_EQ(extension.written, path::extensionAsWritten(c.name)) << c.name;
    }
    EXPECT_EQ(path::stem("/a/b.c/Caf\u00e9.tar.gz"), "Caf\u00e9.tar");
    EXPECT_EQ(path::stem("/a/b.c/README"), "README");
}

TEST(Path, LastIndexOfFindsTheLastByte) {
    EXPECT_EQ(path::lastIndexOf("/a/b/c", '/'), 4u);
    EXPECT_EQ(path::lastIndexOf("/", '/'), 0u);
    EXPECT_EQ(path::lastIndexOf("abc", '/'), std::string_view::npos);
    EXPECT_EQ(path::lastIndexOf("", '/'), std::string_view::npos);
    std::string withNul("a/\0b", 4);
    EXPECT_EQ(path::lastIndexOf(withNul, '\0'), 2u);
}

// Callers that know only short extensions read only the name's end: an extension that ends in more
// ASCII bytes than that is none, but bytes that may lower to fewer (the Kelvin sign is a "k") are
// followed to their dot.
TEST(Path, NameExtensionUpToALengthSeesOnlyShortOnes) {
    struct Case {
        std::string_view name;
        size_t longest;
        std::string_view written;
        bool ascii;
    };
    for (const Case& c : {Case{"report.pdf", 3, "pdf", true}, Case{"report.docx", 3, "", true},
                          Case{"a.b.docx", 3, "", true}, Case{"x.docx", 4, "docx", true},
                          Case{"archive.longextension", 10, "", true}, Case{"archive.tenletters", 10, "tenletters", true},
                          Case{"App.\u212aPROJ", 5, "\u212aPROJ", false}, Case{"App.xc\u00f6deproj", 3, "", true},
                          Case{"App.x\u00f6de", 5, "x\u00f6de", false},
                          Case{"Makefile", 2, "", true}, Case{".git", 3, "", true}, Case{"a.", 3, "", true}}) {
        auto extension = path::nameExtension(c.name, c.longest);
        EXPECT_EQ(extension.written, c.written) << c.name << " up to " << c.longest;
        EXPECT_EQ(extension.ascii, c.ascii) << c.name << " up to " << c.longest;
    }
}
