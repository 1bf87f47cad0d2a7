#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The rule book: at most one finding per scanned record, with the sentence shown to the user.
// Reads the clock only through `now`; its one file-system question is whether a zip in Downloads
// has been unpacked next to itself.
class Classifier {
public:
    static constexpr int64_t bigFileThreshold = 500'000'000;  // decimal bytes, on the logical size
    static constexpr int64_t installerAge = 7;
    static constexpr int64_t organizeAge = 30;
    static constexpr int64_t oldScreenshotAge = 90;
    static constexpr int64_t oldFileAge = 730;

    // A member's part in an exact duplicate group; the reason is shared by the group's copies.
    struct DupRole {
        UUID groupID;
        bool isKeeper = false;
        FindingText reason;
        DuplicateKind kind = DuplicateKind::exact;
    };

    Classifier(UserFolders folders, ScanRules rules, Date now,
               std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    // Findings in the order of the records, at most one per record.
    std::vector<Finding> classify(const std::vector<FileRecord>& records, const std::vector<DuplicateGroup>& exactGroups,
                                  const std::unordered_map<URL, ContentInsight>& insights) const;

    std::optional<Finding> classifyRecord(const FileRecord& record, const DupRole* role) const;
    std::optional<Finding> bigFileFinding(const FileRecord& record, const std::optional<std::string>& reason) const;
    // Whole 24-hour periods from the modification date to `now`; 0 without a date or in the future.
    int64_t ageInDays(const FileRecord& record) const;
    static bool isScreenshot(const FileRecord& record);
    bool zipWasUnpacked(const FileRecord& record) const;
    static std::string monthYearText(const std::optional<Date>& date);
    static std::string yearText(const std::optional<Date>& date);

    // Adjustments by recognition and cloud syncing.
    std::optional<Finding> recognitionFinding(const FileRecord& record, const ContentInsight* insight) const;
    std::string documentsRelativeLabel(const URL& folder) const;
    std::optional<Finding> screenshotRename(const FileRecord& record, const ContentInsight* insight) const;
    static Finding cloudWarning(Finding finding);
    static Finding recognitionNote(Finding finding, const ContentInsight* insight);

    // "an" before a noun that starts with a lower-case vowel, "a" otherwise ("an audio file").
    static std::string_view indefiniteArticle(std::string_view noun);

    const UserFolders& folders() const { return folders_; }
    Date now() const { return now_; }

private:
    Finding makeFinding(const FileRecord& record, FindingCategory category, Recommendation recommendation,
                        FindingText reason) const;

    UserFolders folders_;
    ScanRules rules_;
    Date now_;
    std::shared_ptr<platform::FileSystem> fileSystem_;
};

}  // namespace ordane
