#include "OrdaneCore/Analysis/Classifier.hpp"

#include <cmath>
#include <iterator>
#include <string_view>

#include "OrdaneCore/Analysis/ExactMembers.hpp"
#include "OrdaneCore/Analysis/OrganizeSuggester.hpp"
#include "OrdaneCore/Analysis/ScreenCaptureNames.hpp"
#include "OrdanePlatform/Format/ByteCountFormatter.hpp"
#include "OrdanePlatform/Format/DateTextFormatter.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

std::string sizeText(int64_t bytes) { return platform::ByteCountFormatter::format(bytes); }

std::string_view organizeNoun(TypeBucket bucket) {
    switch (bucket) {
        case TypeBucket::documents: return "document";
        case TypeBucket::photos: return "picture";
        case TypeBucket::videos: return "video";
        case TypeBucket::audio: return "audio file";
        default: return "file";
    }
}

// Names on disk need not be UTF-8, but what a person reads, and what is stored as JSON, must be.
FindingText displayable(FindingText text) {
    auto chars = text.stored();
    if (!chars || platform::text::isValidUTF8(*chars)) return text;  // a record's path is checked when made
    return platform::text::validUTF8(*chars);
}

// The findings of a scan say one of a few sentences, most of them: each sentence is kept once.
class SharedSentences {
public:
    FindingText shared(FindingText text) {
        auto chars = text.stored();
        if (!chars || chars->empty()) return text;
        // The key views the characters of the text kept beside it.
        return seen_.try_emplace(*chars, text).first->second;
    }

private:
    std::unordered_map<std::string_view, FindingText> seen_;
};

}  // namespace

Classifier::Classifier(UserFolders folders, ScanRules rules, Date now, std::shared_ptr<platform::FileSystem> fileSystem)
    : folders_(std::move(folders)), rules_(std::move(rules)), now_(now), fileSystem_(std::move(fileSystem)) {}

std::vector<Finding> Classifier::classify(const std::vector<FileRecord>& records,
                                          const std::vector<DuplicateGroup>& exactGroups,
                                          const std::unordered_map<URL, ContentInsight>& insights) const {
    SharedSentences sentences;
    // Per group: the keeper's reason and the copies' reason.
    std::vector<std::pair<FindingText, FindingText>> roleReasons;
    roleReasons.reserve(exactGroups.size());
    for (const DuplicateGroup& group : exactGroups) {
        if (group.kind() != DuplicateKind::exact) {
            roleReasons.emplace_back();
            continue;
        }
        roleReasons.emplace_back(sentences.shared(displayable(group.keepReason())),
                                 sentences.shared(displayable("This is an exact copy of the one in " +
                                                              folders_.containingFolderName(group.keeper().url()) +
                                                              ". If you remove it, that one stays put.")));
    }
    ExactMembers members(exactGroups);

    // Collected in blocks and moved into a list of the exact size: a list grown one finding at a
    // time ends up to twice as large as it needs, on a home of a million files a hundred MB.
    constexpr size_t blockSize = 4096;
    std::vector<std::vector<Finding>> blocks;
    size_t count = 0;
    for (const FileRecord& record : records) {
        // A record's URL is built to be looked up, so not when there is nothing to find.
        auto insightEntry = insights.empty() ? insights.end() : insights.find(record.url());
        const ContentInsight* insight = insightEntry == insights.end() ? nullptr : &insightEntry->second;
        std::optional<DupRole> role;
        if (const ExactMembers::Place* place = members.find(record)) {
            const DuplicateGroup& group = exactGroups[place->group];
            bool isKeeper = static_cast<int64_t>(place->member) == group.keepIndex();
            const auto& [keeperReason, copyReason] = roleReasons[place->group];
            role = DupRole{group.id(), isKeeper, isKeeper ? keeperReason : copyReason, DuplicateKind::exact};
        }

        std::optional<Finding> finding = classifyRecord(record, role ? &*role : nullptr);
        if (insight && insight->suggestedFolder &&
            (!finding || finding->category == FindingCategory::organizeSuggestion)) {
            if (auto recognized = recognitionFinding(record, insight)) finding = std::move(recognized);
        }
        if (insight && insight->suggestedName && (!finding || finding->category == FindingCategory::screenshots)) {
            if (auto renamed = screenshotRename(record, insight)) finding = std::move(renamed);
        }
        if (!finding) continue;
        if (blocks.empty() || blocks.back().size() == blockSize) blocks.emplace_back().reserve(blockSize);
        Finding made = recognitionNote(cloudWarning(std::move(*finding)), insight);
        made.reason = sentences.shared(displayable(std::move(made.reason)));
        if (made.detail) made.detail = displayable(std::move(*made.detail));
        blocks.back().push_back(std::move(made));
        ++count;
    }
    std::vector<Finding> findings;
    findings.reserve(count);
    for (std::vector<Finding>& block : blocks) {
        std::move(block.begin(), block.end(), std::back_inserter(findings));
        std::vector<Finding>().swap(block);
    }
    return findings;
}

Finding Classifier::makeFinding(const FileRecord& record, FindingCategory category, Recommendation recommendation,
                                FindingText reason) const {
    return Finding{UUID::random(), record,       category,     recommendation, std::move(reason),
                   FindingText::pathOf(record), std::nullopt, std::nullopt,   std::nullopt};
}

std::optional<Finding> Classifier::classifyRecord(const FileRecord& record, const DupRole* role) const {
    int64_t age = ageInDays(record);

    if (record.projectContext()) {
        if (const auto* source = std::get_if<ProjectContext::SourceOfProject>(&record.projectContext()->value)) {
            return bigFileFinding(record, "This is part of the software project \"" +
                                              source->root.lastPathComponent() + "\", so I'm leaving it alone.");
        }
        const auto& recreatable = std::get<ProjectContext::Recreatable>(record.projectContext()->value);
        Finding finding = makeFinding(
            record, FindingCategory::recreatable, Recommendation::review,
            "This folder holds files a programming tool can rebuild. Only remove it if you know the project, or ask "
            "whoever set it up.");
        finding.detail = recreatable.kind + " directory, " + sizeText(record.size()) +
                         ". Recreatable via the project's package manager or build tool.";
        return finding;
    }
    if (record.isPackage() && rules_.isAppManagedBundle(record.url())) {
        return bigFileFinding(record,
                              "This belongs to an app like Photos or Music. The app manages what's inside, so I leave "
                              "it alone. If you want to remove things, do it inside that app.");
    }
    if (record.isCloudOnly()) return std::nullopt;
    if (role) {
        Finding finding = makeFinding(record, FindingCategory::duplicates,
                                      role->isKeeper ? Recommendation::keep : Recommendation::probablySafeToRemove,
                                      role->reason);
        finding.groupID = role->groupID;
        return finding;
    }

    bool looseInDownloads = folders_.isInsideDownloads(record.url()) && !record.isDirectory();
    std::string extension = record.url().pathExtension();
    if (looseInDownloads && isClearableInstallerExtension(extension) && age >= installerAge) {
        Finding finding = makeFinding(record, FindingCategory::downloadsCleanup, Recommendation::probablySafeToRemove,
                                      "This is an installer. Once the app is installed, you don't need it anymore.");
        finding.detail = platform::text::upperCased(extension) + " installer in Downloads, last changed " +
                         monthYearText(record.modified()) + ".";
        return finding;
    }
    if (looseInDownloads && extension == "zip") {
        if (zipWasUnpacked(record)) {
            Finding finding =
                makeFinding(record, FindingCategory::downloadsCleanup, Recommendation::probablySafeToRemove,
                            "This zip was already unpacked. The unpacked copy is right next to it and stays put.");
            finding.detail = "ZIP archive whose extracted folder or file with the same name exists in the same location.";
            return finding;
        }
        Finding finding = makeFinding(record, FindingCategory::downloadsCleanup, Recommendation::review,
                                      "A zip file. I can't tell if you still need what's inside, so take a look.");
        finding.detail = "ZIP archive with no extracted copy next to it.";
        return finding;
    }
    if (isScreenshot(record)) {
        if (age >= oldScreenshotAge) {
            return makeFinding(record, FindingCategory::screenshots, Recommendation::probablySafeToRemove,
                               "A screenshot from " + monthYearText(record.modified()) +
                                   ". Old screenshots are usually one-and-done.");
        }
        return makeFinding(record, FindingCategory::screenshots, Recommendation::review,
                           "A recent screenshot. You might still want it.");
    }
    if (age >= organizeAge) {
        if (auto suggestion = OrganizeSuggester{folders_}.suggestion(record)) {
            std::string_view noun = organizeNoun(record.typeBucket());
            Finding finding = makeFinding(record, FindingCategory::organizeSuggestion, Recommendation::organize,
                                          "This looks like " + std::string(indefiniteArticle(noun)) + " " + std::string(noun) +
                                              " that would be easier to find in " + suggestion->destinationDescription +
                                              ". If you say yes I'll move it there. Nothing gets deleted.");
            finding.detail = record.path() + " → " + suggestion->destination.path();
            finding.suggestedDestination = suggestion->destination;
            return finding;
        }
    }
    if (auto big = bigFileFinding(record, std::nullopt)) return big;
    if (age >= oldFileAge && !record.isDirectory() &&
        (folders_.isInsideDesktop(record.url()) || folders_.isInsideDownloads(record.url()))) {
        return makeFinding(record, FindingCategory::oldFiles, Recommendation::review,
                           "You haven't changed this since " + yearText(record.modified()) +
                               ". I'd never remove it without asking. Just pointing it out.");
    }
    return std::nullopt;
}

std::optional<Finding> Classifier::bigFileFinding(const FileRecord& record,
                                                  const std::optional<std::string>& reason) const {
    if (record.size() < bigFileThreshold || (record.isDirectory() && !record.isPackage())) return std::nullopt;
    if (reason) return makeFinding(record, FindingCategory::biggestFiles, Recommendation::leaveAlone, *reason);
    return makeFinding(record, FindingCategory::biggestFiles, Recommendation::review,
                       "This one file takes up " + sizeText(record.size()) +
                           ". Worth a look. Only you know if it matters.");
}

int64_t Classifier::ageInDays(const FileRecord& record) const {
    if (!record.modified()) return 0;
    double days = std::trunc(now_.secondsSince(*record.modified()) / 86400.0);
    if (!(days > 0)) return 0;  // also a NaN date
    return days >= 1e15 ? int64_t{1'000'000'000'000'000} : static_cast<int64_t>(days);
}

std::string_view Classifier::indefiniteArticle(std::string_view noun) {
    return !noun.empty() && std::string_view("aeiou").find(noun.front()) != std::string_view::npos ? "an" : "a";
}

bool Classifier::isScreenshot(const FileRecord& record) {
    if (record.isDirectory()) return false;
    return ScreenCaptureNames::kindOf(record.url().lastPathComponent()).has_value();  // recordings too
}

bool Classifier::zipWasUnpacked(const FileRecord& record) const {
    std::string stem = path::stem(record.url().lastPathComponent());
    if (stem.empty()) return false;
    try {
        return fileSystem_->exists(path::appending(record.url().deletingLastPathComponent().path(), stem));
    } catch (const platform::FileSystemError&) {
        return false;  // an unanswered question is no unpacked copy
    }
}

std::string Classifier::monthYearText(const std::optional<Date>& date) {
    if (!date) return "an unknown date";
    return platform::DateTextFormatter::monthAndYear(date->secondsSince1970());
}

std::string Classifier::yearText(const std::optional<Date>& date) {
    if (!date) return "a long time ago";
    return platform::DateTextFormatter::year(date->secondsSince1970());
}

}  // namespace ordane
