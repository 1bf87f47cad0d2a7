#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/FindingText.hpp"

using namespace ordane;

namespace {

FileRecord recordAt(const std::string& path) {
    FileRecord::Fields fields;
    fields.id = UUID::random();
    fields.url = URL::fileURL(path);
    fields.size = 5000;
    return FileRecord(fields);
}

}  // namespace

TEST(FindingText, CopiesShareTheirCharactersAndNeverChangeEachOther) {
    FindingText empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty, "");
    EXPECT_EQ(empty, FindingText(std::string()));

    FindingText sentence("This is an exact copy of the one in Documents.");
    FindingText copy = sentence;
    EXPECT_TRUE(copy.sharesStorageWith(sentence));
    EXPECT_FALSE(FindingText(sentence.str()).sharesStorageWith(sentence));
    EXPECT_EQ(FindingText(sentence.str()), sentence);  // equal by characters, wherever they are kept

    copy += " Heads up.";
    EXPECT_EQ(sentence, "This is an exact copy of the one in Documents.");
    EXPECT_EQ(copy, std::string("This is an exact copy of the one in Documents. Heads up."));
    EXPECT_NE(copy, sentence);
    EXPECT_EQ(sentence + "!", "This is an exact copy of the one in Documents.!");

    FindingText moved = std::move(copy);
    EXPECT_EQ(moved.str(), "This is an exact copy of the one in Documents. Heads up.");
    copy = moved;  // a moved-from text takes a new value
    EXPECT_TRUE(copy.sharesStorageWith(moved));
    std::ostringstream printed;
    printed << moved;
    EXPECT_EQ(printed.str(), moved.str());
}

TEST(FindingText, ARecordsPathOutlivesTheRecordAndItsChanges) {
    FindingText path;
    {
        FileRecord record = recordAt("/home/ann/Documents/folder 1/a.pdf");
        path = FindingText::pathOf(record);
        EXPECT_FALSE(path.stored());  // kept as the record, not as characters of its own
        record.setURL(URL::fileURL("/home/ann/Downloads/b.pdf"));
    }
    FindingText copy = path;
    path = FindingText();
    EXPECT_EQ(copy, "/home/ann/Documents/folder 1/a.pdf");
    EXPECT_EQ(copy, FindingText("/home/ann/Documents/folder 1/a.pdf"));
    EXPECT_EQ(FindingText("/home/ann/Documents/folder 1/a.pdf"), copy);
    copy += " → /home/ann/Documents/Taxes/a.pdf";
    EXPECT_EQ(copy.stored(), "/home/ann/Documents/folder 1/a.pdf → /home/ann/Documents/Taxes/a.pdf");

    // What a person reads must be UTF-8: a name that is not is kept with its bad bytes replaced.
    FindingText unreadable = FindingText::pathOf(recordAt("/home/ann/\xFF\xC3.txt"));
    EXPECT_EQ(unreadable.stored(), "/home/ann/\uFFFD\uFFFD.txt");
    EXPECT_EQ(FindingText::pathOf(recordAt("/")), "/");
}

TEST(FindingText, AFindingWritesTheSameJSONWhereverItsTextsAreKept) {
    FileRecord record = recordAt("/home/ann/Documents/a b%.pdf");
    Finding kept{UUID::random(),           record,       FindingCategory::duplicates, Recommendation::keep, "Kept.",
                 FindingText::pathOf(record), std::nullopt, UUID::random(),            FindingText("letter")};
    Finding plain = kept;
    plain.detail = FindingText(record.path());
    plain.reason = FindingText(std::string("Kept."));
    EXPECT_EQ(kept, plain);
    std::string written = json::dumpCompact(kept.toJson());
    EXPECT_EQ(written, json::dumpCompact(plain.toJson()));
    Finding read = Finding::fromJson(json::parse(written));
    EXPECT_EQ(read, kept);
    EXPECT_EQ(read.detail, "/home/ann/Documents/a b%.pdf");
    EXPECT_EQ(read.recognitionKind, "letter");
    plain.detail = FindingText("/home/ann/Documents/other.pdf");
    EXPECT_NE(plain, kept);
}
