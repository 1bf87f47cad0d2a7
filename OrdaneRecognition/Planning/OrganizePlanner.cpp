#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

#include <algorithm>
#include <utility>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Planning/OrderedBuckets.hpp"

namespace ordane {

namespace path = platform::path;
namespace text = platform::text;

namespace {

constexpr std::string_view separator = " → ";

std::string standardizedPath(const URL& url) { return path::standardized(url.path()); }

// The key under which folders are the same: case does not separate them.
std::string folderKey(const URL& url) { return text::lowerCased(standardizedPath(url)); }

struct Bucket {
    URL folder;
    OrganizePlanner::Group files;
    std::optional<DocKind> kind;
};

const ContentInsight* insightOf(const FileRecord& record, const OrganizePlanner::InsightMap& insights) {
    auto found = insights.find(record.url());
    return found == insights.end() ? nullptr : &found->second;
}

std::string countText(size_t count) { return std::to_string(count); }

// Points a member at its folder: the folder's rationale, and the file's name inside the folder.
void directInto(Finding& member, const URL& folder, const std::string& rationale) {
    const std::string name = member.record.url().lastPathComponent();
    member.reason = rationale;
    // Shown to the user and stored: a name that is not UTF-8 is shown with replacement marks.
    member.detail = text::validUTF8(member.record.path() + std::string(separator) + folder.path() + "/" + name);
    member.suggestedDestination = folder.appendingPathComponent(name);
}

// One folder per destination: a later proposal for the same folder joins the one held; the
// stronger source keeps its name and rationale.
std::vector<ProposedFolder> mergedByDestination(std::vector<ProposedFolder> folders) {
    OrderedBuckets<std::optional<ProposedFolder>> merged;
    for (ProposedFolder& folder : folders) {
        std::optional<ProposedFolder>& held = merged[folderKey(folder.destination)];
        if (!held) {
            held = std::move(folder);
            continue;
        }
        ProposedFolder& base = held->source <= folder.source ? *held : folder;
        std::vector<Finding> members = std::move(held->members);
        members.insert(members.end(), std::make_move_iterator(folder.members.begin()),
                       std::make_move_iterator(folder.members.end()));
        const double confidence = std::max(held->confidence, folder.confidence);
        ProposedFolder result = std::move(base);
        result.members = std::move(members);
        result.confidence = confidence;
        // Spellings that differ only in case are one folder here: every member goes where it says.
        for (Finding& member : result.members) directInto(member, result.destination, result.rationale);
        held = std::move(result);
    }
    std::vector<ProposedFolder> result;
    result.reserve(merged.entries().size());
    for (auto& [key, folder] : merged.entries()) result.push_back(std::move(*folder));
    return result;
}

void sortForDisplay(std::vector<ProposedFolder>& folders) {
    std::vector<std::pair<int64_t, size_t>> sizes;  // total bytes, position: computed once
    sizes.reserve(folders.size());
    for (size_t i = 0; i < folders.size(); ++i) sizes.emplace_back(folders[i].totalBytes(), i);
    std::stable_sort(sizes.begin(), sizes.end(), [&](const auto& a, const auto& b) {
        const ProposedFolder& left = folders[a.second];
        const ProposedFolder& right = folders[b.second];
        if (left.source != right.source) return left.source < right.source;
        return a.first > b.first;
    });
    std::vector<ProposedFolder> sorted;
    sorted.reserve(folders.size());
    for (const auto& entry : sizes) sorted.push_back(std::move(folders[entry.second]));
    folders = std::move(sorted);
}

}  // namespace

OrganizePlanner::OrganizePlanner(UserFolders folders, OrganizeScope scope, ExistingFolders existingDirectories)
    : folders_(std::move(folders)),
      scope_(std::move(scope)),
      existingDirectories_(std::move(existingDirectories)),
      reuseIndex_(existingDirectories_) {}

OrganizePlanner::FindingMap OrganizePlanner::firstFindingByURL(const std::vector<Finding>& findings) {
    FindingMap result;
    for (const Finding& finding : findings) result.try_emplace(finding.record.path(), &finding);
    return result;
}

OrganizePlanner::Candidates OrganizePlanner::candidates(const std::vector<FileRecord>& records,
                                                        const FindingMap& findingsByURL) const {
    Candidates result;
    for (const FileRecord& record : records) {
        if (record.isDirectory() || record.isPackage() || record.isCloudOnly()) continue;
        if (record.projectContext()) continue;
        if (!scope_.contains(record.url())) continue;
        auto found = findingsByURL.find(record.path());
        if (found != findingsByURL.end()) {
            const FindingCategory category = found->second->category;
            if (category != FindingCategory::oldFiles && category != FindingCategory::organizeSuggestion) continue;
            result.findingIDs.push_back(found->second->id);
        }
        result.files.push_back(&record);
    }
    return result;
}

std::vector<OrganizePlanner::Group> OrganizePlanner::groups(const Candidates& candidates, const InsightMap& insights) {
    std::vector<Group> result;
    std::unordered_map<std::string, size_t> groupByKey;
    for (const FileRecord* record : candidates.files) {
        const ContentInsight* insight = insightOf(*record, insights);
        if (insight && insight->groupKey) {
            auto [entry, inserted] = groupByKey.try_emplace(*insight->groupKey, result.size());
            if (inserted) result.emplace_back();
            result[entry->second].push_back(record);
        } else {
            result.push_back(Group{record});
        }
    }
    // Sorted through their first paths, taken out once: comparing through the records is slower.
    std::vector<std::pair<std::string, size_t>> order;
    order.reserve(result.size());
    for (size_t i = 0; i < result.size(); ++i) order.emplace_back(result[i].front()->path(), i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Group> sorted;
    sorted.reserve(result.size());
    for (const auto& entry : order) sorted.push_back(std::move(result[entry.second]));
    return sorted;
}

OrganizePlanner::Outcome OrganizePlanner::plan(const std::vector<FileRecord>& records, const InsightMap& insights,
                                               const std::vector<Finding>& findings) const {
    // 1. Candidates: loose files in scope that no other recommendation has taken.
    const FindingMap findingsByURL = firstFindingByURL(findings);
    const Candidates candidates = this->candidates(records, findingsByURL);
    // 2. Groups: a family's members travel together; every other file is a group of its own.
    const std::vector<Group> groups = OrganizePlanner::groups(candidates, insights);

    // 3. The groupers, strongest first; each claims what it places.
    Claimed claimed;
    std::vector<ProposedFolder> proposed;
    auto append = [&proposed](std::vector<ProposedFolder> more) {
        proposed.insert(proposed.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    };
    append(suggestedFolderGroups(groups, insights, claimed));
    append(familyGroups(groups, insights, claimed));
    append(sharedNameGroups(groups, claimed));
    append(mediaYearGroups(groups, claimed));
    append(fromDownloadsGroups(groups, findingsByURL, claimed));

    Outcome outcome;
    outcome.proposal.folders = mergedByDestination(std::move(proposed));
    sortForDisplay(outcome.proposal.folders);

    // 4. Counts, and the analyzer's findings whose files the plan now places.
    std::unordered_set<std::string> memberPaths;  // the members' files: no directory shares a file's path
    size_t placed = 0;
    for (const ProposedFolder& folder : outcome.proposal.folders) {
        for (const Finding& member : folder.members) memberPaths.insert(member.record.path());
        placed += folder.members.size();
    }
    outcome.proposal.scopedFileCount = static_cast<int64_t>(candidates.files.size());
    outcome.proposal.leftoverCount = static_cast<int64_t>(candidates.files.size()) - static_cast<int64_t>(placed);
    std::unordered_map<UUID, const Finding*> findingsByID;
    for (const Finding& finding : findings) findingsByID.try_emplace(finding.id, &finding);
    for (const UUID& id : candidates.findingIDs) {
        if (memberPaths.contains(findingsByID.at(id)->record.path())) outcome.supersededIDs.insert(id);
    }
    return outcome;
}

std::vector<ProposedFolder> OrganizePlanner::suggestedFolderGroups(const std::vector<Group>& groups,
                                                                   const InsightMap& insights,
                                                                   Claimed& claimed) const {
    OrderedBuckets<Bucket> buckets;
    for (const Group& group : groups) {
        if (anyClaimed(group, claimed)) continue;
        // The folder recognition suggested most often; it must be suggested for half the group.
        OrderedBuckets<std::pair<URL, size_t>> counts;
        for (const FileRecord* file : group) {
            const ContentInsight* insight = insightOf(*file, insights);
            if (!insight || !insight->suggestedFolder) continue;
            auto& [url, count] = counts[folderKey(*insight->suggestedFolder)];
            url = *insight->suggestedFolder;  // the last spelling met stands for the key
            ++count;
        }
        if (counts.entries().empty()) continue;
        const auto* best = &counts.entries().front();
        for (const auto& entry : counts.entries()) {
            if (entry.second.second > best->second.second) best = &entry;
        }
        const auto& [bestKey, suggestion] = *best;
        const auto& [suggested, count] = suggestion;
        if (count * 2 < group.size()) continue;

        const URL folder = realFolder(suggested);
        const Group files = filesOutside(group, folder);
        if (files.empty()) continue;
        std::optional<DocKind> kind;
        for (const FileRecord* file : files) {
            const ContentInsight* insight = insightOf(*file, insights);
            if (insight && insight->kind != DocKind::unknown) {
                kind = insight->kind;
                break;
            }
        }
        Bucket* bucket = buckets.find(bestKey);
        if (!bucket) {
            bucket = &buckets[bestKey];
            bucket->folder = folder;
            bucket->kind = kind;
        }
        bucket->files.insert(bucket->files.end(), files.begin(), files.end());
        claimAll(files, claimed);
    }

    std::vector<ProposedFolder> result;
    for (const auto& [key, bucket] : buckets.entries()) {
        const bool exists = existingDirectories_.contains(bucket.folder.path());
        const std::string rationale = reasonSentence(bucket.files.size(), bucket.kind,
                                                     bucket.folder.lastPathComponent(), exists);
        result.push_back(makeProposedFolder(bucket.folder, bucket.files, ProposalSource::recognition, rationale,
                                            recognitionConfidence, bucket.kind));
    }
    return result;
}

std::vector<ProposedFolder> OrganizePlanner::fromDownloadsGroups(const std::vector<Group>& groups,
                                                                 const FindingMap& findingsByURL,
                                                                 Claimed& claimed) const {
    OrderedBuckets<Bucket> buckets;
    for (const Group& group : groups) {
        for (const FileRecord* file : group) {
            if (claimed.contains(file)) continue;
            auto found = findingsByURL.find(file->url().path());
            if (found == findingsByURL.end()) continue;
            const Finding& finding = *found->second;
            if (finding.category != FindingCategory::organizeSuggestion || !finding.suggestedDestination) continue;
            if (!folders_.isInsideDownloads(file->url())) continue;
            const URL folder = finding.suggestedDestination->deletingLastPathComponent().standardized();
            Bucket& bucket = buckets[text::lowerCased(folder.path())];
            if (bucket.files.empty()) bucket.folder = folder;
            bucket.files.push_back(file);
            claimed.insert(file);
        }
    }
    std::vector<ProposedFolder> result;
    for (const auto& [key, bucket] : buckets.entries()) {
        const std::string parent = bucket.folder.deletingLastPathComponent().lastPathComponent();
        const std::string rationale = "These have been sitting in Downloads a while. A From Downloads folder in " +
                                      parent + " is easier to come back to.";
        result.push_back(makeProposedFolder(bucket.folder, bucket.files, ProposalSource::fromDownloads, rationale,
                                            fromDownloadsConfidence, std::nullopt));
    }
    return result;
}

ProposedFolder OrganizePlanner::makeProposedFolder(const URL& destination, const Group& files, ProposalSource source,
                                                   const std::string& rationale, double confidence,
                                                   std::optional<DocKind> kind) const {
    const URL folder = realFolder(destination);
    ProposedFolder result;
    result.id = UUID::random();
    result.destination = folder;
    result.isNew = isNewFolder(folder);
    result.displayPath = displayPath(folder);
    result.source = source;
    result.rationale = text::validUTF8(rationale);
    result.confidence = confidence;
    result.members.reserve(files.size());
    for (const FileRecord* file : files) {
        Finding member;
        member.id = UUID::random();
        member.record = *file;
        member.category = FindingCategory::organizeSuggestion;
        member.recommendation = Recommendation::organize;
        directInto(member, folder, result.rationale);
        if (kind) member.recognitionKind = std::string(rawValue(*kind));
        result.members.push_back(std::move(member));
    }
    return result;
}

OrganizePlanner::Group OrganizePlanner::filesOutside(const Group& files, const URL& folder) {
    const std::string folderPath = standardizedPath(folder);
    Group result;
    for (const FileRecord* file : files) {
        if (path::parent(standardizedPath(file->url())) != folderPath) result.push_back(file);
    }
    return result;
}

bool OrganizePlanner::anyClaimed(const Group& files, const Claimed& claimed) {
    return std::any_of(files.begin(), files.end(), [&](const FileRecord* file) { return claimed.contains(file); });
}

void OrganizePlanner::claimAll(const Group& files, Claimed& claimed) {
    for (const FileRecord* file : files) claimed.insert(file);
}

URL OrganizePlanner::realFolder(const URL& destination) const {
    const std::string folder = standardizedPath(destination);
    if (existingDirectories_.contains(folder)) return URL::fileURL(folder, true);
    if (const std::string* real = existingDirectories_.pathWithKey(text::lowerCased(folder))) {
        return URL::fileURL(*real, true);
    }
    return URL::fileURL(folder, true);
}

bool OrganizePlanner::isNewFolder(const URL& destination) const {
    const std::string folder = standardizedPath(destination);
    for (const URL& userFolder : folders_.all()) {
        if (userFolder.path() == folder) return false;
    }
    return !existingDirectories_.contains(folder);
}

std::string OrganizePlanner::displayPath(const URL& destination) const {
    const std::string folder = standardizedPath(destination);
    for (const URL* userFolder : {&folders_.documents, &folders_.pictures, &folders_.movies, &folders_.music,
                                  &folders_.desktop, &folders_.downloads}) {
        if (!path::isInside(folder, userFolder->path())) continue;
        std::string result = UserFolders::displayName(*userFolder);
        std::string_view rest = std::string_view(folder).substr(userFolder->path().size());
        size_t start = 0;
        while (start < rest.size()) {
            size_t end = std::min(rest.find('/', start), rest.size());
            if (end > start) {
                result += separator;
                result += rest.substr(start, end - start);
            }
            start = end + 1;
        }
        return text::validUTF8(result);
    }
    return text::validUTF8(path::lastComponent(folder));
}

URL OrganizePlanner::destination(const URL& base, std::string_view name) const {
    if (auto reused = reuseIndex_.match(base.path(), name)) return URL::fileURL(*reused, true);
    return URL::fileURL(path::appending(standardizedPath(base), name), true);
}

std::optional<URL> OrganizePlanner::baseFolder(TypeBucket bucket) const {
    switch (bucket) {
        case TypeBucket::documents: return folders_.documents;
        case TypeBucket::photos: return folders_.pictures;
        case TypeBucket::videos: return folders_.movies;
        case TypeBucket::audio: return folders_.music;
        default: return std::nullopt;
    }
}

std::string OrganizePlanner::reasonSentence(size_t count, std::optional<DocKind> kind, std::string_view folderName,
                                            bool folderExists) {
    const std::string kinds(kindPlural(kind.value_or(DocKind::unknown)));
    const std::string folder = text::validUTF8(folderName);
    if (folderExists) {
        if (count == 1) return "This reads like " + kinds + ". You already keep files like this in " + folder + ".";
        return "These " + countText(count) + " files read like " + kinds +
               ". You already keep files like this in " + folder + ".";
    }
    if (count == 1) return "This looks like " + kinds + ". A " + folder + " folder keeps them together.";
    return "These " + countText(count) + " files look like " + kinds + ". A " + folder +
           " folder keeps them together.";
}

std::string_view OrganizePlanner::kindPlural(DocKind kind) {
    switch (kind) {
        case DocKind::resume: return "resumes";
        case DocKind::taxDocument: return "tax documents";
        case DocKind::bankStatement: return "bank statements";
        case DocKind::invoiceReceipt: return "invoices or receipts";
        case DocKind::medical: return "medical documents";
        case DocKind::legalContract: return "legal documents";
        case DocKind::letter: return "letters";
        case DocKind::recipe: return "recipes";
        case DocKind::manualGuide: return "manuals";
        case DocKind::ticketItinerary: return "tickets or itineraries";
        case DocKind::idCertificate: return "certificates";
        case DocKind::unknown: return "the same kind of document";
    }
    return "the same kind of document";
}

}  // namespace ordane
