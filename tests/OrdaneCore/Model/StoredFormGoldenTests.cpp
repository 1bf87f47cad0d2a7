#include <gtest/gtest.h>

#include <string>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"

using namespace ordane;

namespace {

// Records, groups and findings exactly as they are written: every optional present and absent,
// sizes past a double's precision, dates before and after the reference date, paths that need
// percent-encoding (a space, "%", "#", UTF-8 and a byte that is not UTF-8), a package folder.
const std::string fullRecord =
    R"({"allocatedSize":9007199254740993,"cloud":"cloudDownloaded","cloudProvider":"googleDrive",)"
    R"("created":-31536000.25,"id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D","isDirectory":true,"isPackage":true,)"
    R"("modified":700000000.125,"projectContext":{"recreatable":{"kind":"node_modules","root":"file:///home/%C3%A9/p%2325/"}},)"
    R"("size":9007199254740993,"url":"file:///home/%C3%A9/p%2325/node_modules/"})";
const std::string bareRecord =
    R"({"allocatedSize":0,"cloud":"local","id":"00000000-0000-0000-0000-000000000001","isDirectory":false,)"
    R"("isPackage":false,"size":0,"url":"file:///a%20b/%FF%25x"})";
const std::string projectRecord =
    R"({"allocatedSize":8192,"cloud":"cloudOnly","id":"00000000-0000-0000-0000-000000000002","isDirectory":false,)"
    R"("isPackage":false,"modified":1e-06,"projectContext":{"sourceOfProject":{"root":"file:///src/app/"}},)"
    R"("size":4097,"url":"file:///src/app/README"})";

const std::string fullFinding =
    R"({"category":"organizeSuggestion","detail":"/a b/x → /Documents/Taxes/x","groupID":"5B1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",)"
    R"("id":"6C1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F","reason":"I can put this in \"Documents → Taxes\".",)"
    R"("recognitionKind":"taxDocument","recommendation":"organize","record":)" + fullRecord +
    R"(,"suggestedDestination":"file:///Documents/Taxes/x"})";
const std::string bareFinding =
    R"({"category":"duplicates","id":"7D1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C40","reason":"","recommendation":"keep","record":)" +
    bareRecord + "}";

const std::string exactGroup =
    R"({"id":"8E1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C41","keepIndex":1,"keepReason":"I'd keep this copy.","kind":"exact",)"
    R"("members":[)" + bareRecord + "," + fullRecord + "," + projectRecord +
    R"(],"sha256":"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"})";
const std::string nameGroup =
    R"({"id":"9F1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C42","keepIndex":0,"keepReason":"","kind":"similarName","members":[)" +
    projectRecord + "]}";

template <class T>
void expectRewrittenByteForByte(const std::string& text) {
    T value = T::fromJson(json::parse(text));
    EXPECT_EQ(json::dumpCompact(value.toJson()), text);
    T copy = value;
    EXPECT_EQ(T::fromJson(json::parse(json::dumpPretty(copy.toJson()))), value) << text;
}

}  // namespace

TEST(StoredForms, RecordsGroupsAndFindingsAreRewrittenByteForByte) {
    for (const std::string* text : {&fullRecord, &bareRecord, &projectRecord}) expectRewrittenByteForByte<FileRecord>(*text);
    for (const std::string* text : {&fullFinding, &bareFinding}) expectRewrittenByteForByte<Finding>(*text);
    for (const std::string* text : {&exactGroup, &nameGroup}) expectRewrittenByteForByte<DuplicateGroup>(*text);

    FileRecord full = FileRecord::fromJson(json::parse(fullRecord));
    EXPECT_EQ(full.path(), "/home/\xC3\xA9/p#25/node_modules");
    EXPECT_TRUE(full.urlIsDirectory());
    EXPECT_EQ(full.size(), 9007199254740993);
    EXPECT_EQ(full.created(), Date{-31536000.25});
    EXPECT_EQ(full.cloudProvider(), CloudProvider::googleDrive);
    EXPECT_EQ(FileRecord::fromJson(json::parse(bareRecord)).path(), "/a b/\xFF%x");
    EXPECT_NE(FileRecord::fromJson(json::parse(projectRecord)), full);
}
