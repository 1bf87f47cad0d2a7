// The groupers that find a folder name themselves: families, shared file names, media by year.
#include <algorithm>
#include <cmath>
#include <ctime>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Planning/OrderedBuckets.hpp"
#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

namespace ordane {

namespace path = platform::path;
namespace text = platform::text;

namespace {

constexpr size_t minimumFamilyMembers = 3;
constexpr size_t minimumSharedNameMembers = 4;
constexpr size_t minimumMediaYearMembers = 5;
constexpr int firstMediaYear = 1990;
constexpr int lastMediaYear = 2100;

bool isAllNumbers(std::string_view token) {
    const bool ascii = std::all_of(token.begin(), token.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::u32string points = text::codePoints(token);
    return std::all_of(points.begin(), points.end(), text::isNumber);
}

// A word that can name a set: three letters or more, and not one of the words every tool writes.
bool isNamingWord(const std::string& token) {
    const std::u32string points = text::codePoints(token);
    if (!std::all_of(points.begin(), points.end(), text::isLetter)) return false;
    return text::characterCount(token) >= 3 && !OrganizePlanner::genericStems().contains(token);
}

// The longest run of leading tokens common to every entry.
std::vector<std::string> sharedLeadingTokens(const std::vector<OrganizePlanner::StemTokens>& entries) {
    std::vector<std::string> shared = entries.front().tokens;
    for (const auto& entry : entries) {
        auto mismatch = std::mismatch(shared.begin(), shared.end(), entry.tokens.begin(), entry.tokens.end());
        shared.erase(mismatch.first, shared.end());
        if (shared.empty()) break;
    }
    return shared;
}

// The year of a date in the current time zone; none for a date the calendar can't place.
std::optional<int> localYear(Date date) {
    const double seconds = std::floor(date.secondsSince1970());
    constexpr double limit = 1e12;  // about 31,000 years: far past any year we keep, safe for time_t
    if (!std::isfinite(seconds) || std::fabs(seconds) > limit) return std::nullopt;
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!::localtime_r(&time, &parts)) return std::nullopt;
    return parts.tm_year + 1900;
}

}  // namespace

std::vector<ProposedFolder> OrganizePlanner::familyGroups(const std::vector<Group>& groups, const InsightMap& insights,
                                                          Claimed& claimed) const {
    std::vector<ProposedFolder> result;
    for (const Group& group : groups) {
        if (group.size() < minimumFamilyMembers) continue;
        if (anyClaimed(group, claimed)) continue;
        auto first = insights.find(group.front()->url());
        if (first == insights.end() || !first->second.groupKey) continue;
        const bool isSeries = first->second.groupKey->starts_with("series|");

        std::optional<DocKind> kind;
        std::optional<std::string> title;
        for (const FileRecord* file : group) {
            auto found = insights.find(file->url());
            if (found == insights.end()) continue;
            if (!kind && found->second.kind != DocKind::unknown) kind = found->second.kind;
            if (!title && found->second.title) title = found->second.title;
        }
        const auto name = familyFolderName(title, group);
        if (!name) continue;
        const URL base = baseFolder(group.front()->typeBucket()).value_or(folders_.documents);
        const URL folder = destination(base, *name);
        const Group members = filesOutside(group, folder);
        if (members.size() < minimumFamilyMembers) continue;

        if (isSeries) {
            const std::string noun(kind ? displayNoun(*kind) : "document");
            const std::string rationale = "These look like the same " + noun +
                                          " arriving month after month. One folder keeps the whole series together.";
            result.push_back(makeProposedFolder(folder, members, ProposalSource::series, rationale, seriesConfidence,
                                                std::nullopt));
        } else {
            result.push_back(makeProposedFolder(folder, members, ProposalSource::versions,
                                                "These read like versions of one document. They belong in one place.",
                                                versionsConfidence, std::nullopt));
        }
        claimAll(members, claimed);
    }
    return result;
}

std::vector<ProposedFolder> OrganizePlanner::sharedNameGroups(const std::vector<Group>& groups,
                                                              Claimed& claimed) const {
    OrderedBuckets<std::vector<StemTokens>> buckets;
    for (const Group& group : groups) {
        for (const FileRecord* file : group) {
            if (claimed.contains(file)) continue;
            const std::string stem = text::validUTF8(path::stem(file->url().path()));
            std::vector<std::string> words = tokens(stem);
            while (!words.empty() && isAllNumbers(words.back())) words.pop_back();
            if (words.empty() || cameraPrefixes().contains(words.front())) continue;
            const std::string key = std::string(rawValue(file->typeBucket())) + "|" + words.front();
            buckets[key].push_back(StemTokens{file, std::move(words), stem});
        }
    }

    std::vector<ProposedFolder> result;
    for (const auto& [key, entries] : buckets.entries()) {
        if (entries.size() < minimumSharedNameMembers) continue;
        const std::vector<std::string> shared = sharedLeadingTokens(entries);
        if (!std::any_of(shared.begin(), shared.end(), isNamingWord)) continue;
        std::string joined;
        for (const std::string& token : shared) joined += token;
        if (text::characterCount(joined) < 4) continue;
        const auto name = groupName(shared, entries);
        if (!name) continue;
        const auto base = baseFolder(entries.front().record->typeBucket());
        if (!base) continue;
        const URL folder = destination(*base, *name);
        Group files;
        for (const StemTokens& entry : entries) {
            if (!claimed.contains(entry.record)) files.push_back(entry.record);
        }
        const Group members = filesOutside(files, folder);
        if (members.size() < minimumSharedNameMembers) continue;
        const std::string rationale = "These " + std::to_string(members.size()) + " file names all start with \"" +
                                      *name + "\". They look like a set.";
        result.push_back(makeProposedFolder(folder, members, ProposalSource::filenamePattern, rationale,
                                            filenamePatternConfidence, std::nullopt));
        claimAll(members, claimed);
    }
    return result;
}

std::vector<ProposedFolder> OrganizePlanner::mediaYearGroups(const std::vector<Group>& groups,
                                                             Claimed& claimed) const {
    struct YearBucket {
        TypeBucket type = TypeBucket::photos;
        int year = 0;
        Group files;
    };
    OrderedBuckets<YearBucket> buckets;
    for (const Group& group : groups) {
        for (const FileRecord* file : group) {
            if (claimed.contains(file)) continue;
            const TypeBucket type = file->typeBucket();
            if (type != TypeBucket::photos && type != TypeBucket::videos) continue;
            const std::optional<Date> date = file->created() ? file->created() : file->modified();
            if (!date) continue;
            const std::optional<int> year = localYear(*date);
            if (!year || *year < firstMediaYear || *year > lastMediaYear) continue;
            YearBucket& bucket = buckets[std::string(rawValue(type)) + "|" + std::to_string(*year)];
            bucket.type = type;
            bucket.year = *year;
            bucket.files.push_back(file);
        }
    }

    std::vector<ProposedFolder> result;
    for (const auto& [key, bucket] : buckets.entries()) {
        if (bucket.files.size() < minimumMediaYearMembers) continue;
        const bool photos = bucket.type == TypeBucket::photos;
        const std::string year = std::to_string(bucket.year);
        const URL& base = photos ? folders_.pictures : folders_.movies;
        const URL folder = base.appendingPathComponent(year, true);
        const Group members = filesOutside(bucket.files, folder);
        if (members.size() < minimumMediaYearMembers) continue;
        const std::string count = std::to_string(members.size());
        const std::string rationale =
            photos ? "These " + count + " pictures are all from " + year +
                         ". One folder per year keeps " + UserFolders::displayName(base) + " easy to scan."
                   : "These " + count + " videos are all from " + year +
                         ". One folder per year keeps " + UserFolders::displayName(base) + " easy to scan.";
        result.push_back(makeProposedFolder(folder, members, ProposalSource::mediaDate, rationale,
                                            mediaDateConfidence, std::nullopt));
        claimAll(members, claimed);
    }
    return result;
}

}  // namespace ordane
