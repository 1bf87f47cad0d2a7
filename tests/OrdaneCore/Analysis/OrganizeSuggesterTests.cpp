#include <gtest/gtest.h>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/OrganizeSuggester.hpp"

using namespace ordane;
using namespace ordane::testing;

// Documents: see the classifier's organize suggestion, which shows both destination and description.
TEST(OrganizeSuggester, FilesBelowDownloadsGoToTheirMediaFolder) {
    OrganizeSuggester suggester{paperFolders()};
    auto photo = suggester.suggestion(fileRecord("Downloads/trip/day 2/beach.jpeg"));
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->destination.path(), "/home/ann/Pictures/From Downloads/beach.jpeg");
    EXPECT_EQ(photo->destinationDescription, "Pictures → From Downloads");

    auto movie = suggester.suggestion(fileRecord("Downloads/CLIP.MP4"));
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->destination.path(), "/home/ann/Movies/From Downloads/CLIP.MP4");
    auto song = suggester.suggestion(fileRecord("Downloads/song.flac"));
    ASSERT_TRUE(song);
    EXPECT_EQ(song->destinationDescription, "Music → From Downloads");
}

TEST(OrganizeSuggester, NoSuggestionForOtherTypesOrPlaces) {
    OrganizeSuggester suggester{paperFolders()};
    for (const char* path : {"Downloads/a.zip", "Downloads/Installer.dmg", "Downloads/README", "Desktop/a.pdf",
                             "Downloads2/a.pdf", "Downloads-old/a.pdf", "Downloads.pdf"}) {
        EXPECT_FALSE(suggester.suggestion(fileRecord(path))) << path;
    }
    EXPECT_FALSE(suggester.suggestion(folderRecord("Downloads/Some.app", 10, true)));
    EXPECT_FALSE(suggester.suggestion(folderRecord("Downloads/photos.jpg")));
    // A path that only reaches Downloads through ".." is still read for what it is.
    EXPECT_TRUE(suggester.suggestion(fileRecord("Desktop/../Downloads/a.pdf")));
}
