#include <gtest/gtest.h>

#include "Ordane/App/ScanSettings.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

namespace ordane {
namespace {

using testing::TempDir;
using testing::readFile;
using testing::writeFile;

std::vector<std::string> namesIn(const std::string& folder) {
    auto names = platform::FileSystem::real()->listDirectory(folder);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ScanSettings, ReadsBothArraysAsRequiredAndOnlyAUsableTextScale) {
    struct Case {
        const char* text;
        std::optional<ScanSettings> expected;  // none: the file doesn't decode
    } cases[] = {
        {R"({"textScale": 1.25})", std::nullopt},
        {R"({"disabledFolders": []})", std::nullopt},
        {R"({"disabledFolders": [], "enabledExternalVolumes": []})", ScanSettings{}},
        {R"({"disabledFolders": ["Music", "Music"], "enabledExternalVolumes": ["/media/a"], "textScale": 1.4,
             "ownerName": "Ada"})",
         ScanSettings{{"Music"}, {"/media/a"}, 1.4, "Ada"}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": null, "ownerName": null})",
         ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 0})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": -1.2})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 1e9})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 1e999})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 3.0})",
         ScanSettings{{}, {}, 3.0, std::nullopt}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": "1.2"})", std::nullopt},
        {R"({"disabledFolders": [1], "enabledExternalVolumes": []})", std::nullopt},
        {R"({"disabledFolders": [], "enabledExternalVolumes": {}})", std::nullopt},
        {R"([])", std::nullopt},
        {R"({"disabledFolders": [], )", std::nullopt},
    };
    TempDir dir;
    const URL file = URL::fileURL(dir / "settings.json");
    for (const Case& c : cases) {
        writeFile(file.path(), c.text);
        EXPECT_EQ(ScanSettings::load(file), c.expected.value_or(ScanSettings{})) << c.text;
    }
}

TEST(ScanSettings, SavesSortedKeysWithoutAbsentOnesAndKeepsTheOldFileWhenAWriteFails) {
    TempDir dir;
    const URL file = URL::fileURL(dir / "deeper/folder/settings.json");
    ASSERT_TRUE(ScanSettings{}.save(file));
    EXPECT_EQ(readFile(file.path()), "{\n  \"disabledFolders\": [],\n  \"enabledExternalVolumes\": []\n}");

    ScanSettings full{{"Music", "Desktop"}, {"/media/b", "/media/a"}, 1.2, "Zoë"};
    ASSERT_TRUE(full.save(file));
    EXPECT_EQ(ScanSettings::load(file), full);
    // A failed write reports it and leaves the old file.
    auto fs = std::make_shared<testing::FaultInjectingFileSystem>();
    fs->fail(testing::FaultInjectingFileSystem::Operation::writeFileAtomically, "settings", ENOSPC);
    EXPECT_FALSE(ScanSettings{}.save(file, fs));
    EXPECT_EQ(ScanSettings::load(file), full);
    // An unusable scale in memory is not written.
    ScanSettings huge = full;
    huge.textScale = 40;
    ASSERT_TRUE(huge.save(file));
    EXPECT_EQ(ScanSettings::load(file).textScale, std::nullopt);
}

TEST(ScanSettings, AFileThatCantBeReadIsSetAsideBeforeItIsReplaced) {
    struct Case {
        const char* what;
        std::string contents;
    } cases[] = {
        {"damaged", "{\"disabledFolders\": [\"Music\"], \"enabledExter"},
        {"far too large", "{\"disabledFolders\": [\"" + std::string(50 << 20, 'x') + "\"], \"enabledExternalVolumes\": []}"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const URL file = URL::fileURL(dir / "settings.json");
        writeFile(file.path(), c.contents);
        EXPECT_EQ(ScanSettings::load(file), ScanSettings{}) << c.what;
        ScanSettings chosen{{"Pictures"}, {}, std::nullopt, std::nullopt};
        ASSERT_TRUE(chosen.save(file)) << c.what;
        std::vector<std::string> names = namesIn(dir.path());
        ASSERT_EQ(names.size(), 2u) << c.what;
        EXPECT_EQ(names[0], "settings.json");
        EXPECT_EQ(names[1].rfind("settings.json.unreadable-", 0), 0u) << names[1];
        EXPECT_EQ(readFile(dir / names[1]), c.contents) << c.what;
        EXPECT_EQ(ScanSettings::load(file), chosen) << c.what;
    }
}

}  // namespace
}  // namespace ordane
