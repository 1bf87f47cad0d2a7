// Keeper choice and name groups of the duplicate finder.
#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "OrdaneCore/Analysis/GroupOrder.hpp"
#include "OrdaneCore/Analysis/DuplicateFinder.hpp"
#include "OrdaneCore/Analysis/ExactMembers.hpp"
#include "OrdaneCore/Analysis/SharedRuns.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;
using platform::text::Regex;

namespace {

// " copy", " Copy 2", " (1)" at the end of a stem.
const Regex& copySuffix() {
    static const Regex pattern(R"((?i)( copy( \d+)?| \(\d+\))$)");
    return pattern;
}

// "_v2", " final", "-Draft3", " edited", "_edit" at the end of a stem.
const Regex& versionSuffix() {
    static const Regex pattern(R"((?i)[ _-](v\d+|final\d*|draft\d*|edit(ed)?)$)");
    return pattern;
}

// Both suffixes can only end in a digit, ")", or the last letter of copy, final, draft, edit or
// edited; ruling the rest out by the last byte spares most names the regular expressions. A
// non-ASCII last character may be a digit of another script, so it is left to them.
bool mayEndInSuffix(std::string_view stem) {
    if (stem.empty()) return false;
    unsigned char last = static_cast<unsigned char>(stem.back());
    return last >= 0x80 || std::string_view("0123456789)yYlLtTdD").find(static_cast<char>(last)) != std::string_view::npos;
}

std::optional<platform::text::RegexMatch> suffixMatch(const Regex& pattern, std::string_view stem) {
    if (!mayEndInSuffix(stem)) return std::nullopt;
    return pattern.firstMatch(stem);
}

std::string stemOf(const URL& url) { return path::stem(url.lastPathComponent()); }

size_t componentCount(const std::string& text) {
    size_t count = 0;
    bool inComponent = false;
    for (char c : text) {
        if (c == '/') {
            inComponent = false;
        } else if (!inComponent) {
            inComponent = true;
            ++count;
        }
    }
    return count;
}

// The index of the only member with the smallest value, or none when several share it.
template <class Value>
std::optional<size_t> uniqueMinimum(const std::vector<Value>& values) {
    auto smallest = std::min_element(values.begin(), values.end());
    if (std::count(values.begin(), values.end(), *smallest) != 1) return std::nullopt;
    return static_cast<size_t>(smallest - values.begin());
}

// A group of files with related names, the shortest name kept.
DuplicateGroup nameGroup(std::vector<FileRecord> members) {
    GroupOrder::byPath(members);
    bool versioned = std::any_of(members.begin(), members.end(), [](const FileRecord& member) {
        return suffixMatch(versionSuffix(), stemOf(member.url())).has_value();
    });
    size_t keep = 0;
    size_t shortest = std::numeric_limits<size_t>::max();
    for (size_t i = 0; i < members.size(); ++i) {
        size_t length = platform::text::characterCount(members[i].url().lastPathComponent());
        if (length < shortest) {
            shortest = length;
            keep = i;
        }
    }
    return DuplicateGroup(UUID::random(), versioned ? DuplicateKind::versionSeries : DuplicateKind::similarName,
                          std::move(members), static_cast<int64_t>(keep),
                          "These look related but they aren't identical, so I won't guess. Take a look at them "
                          "yourself before removing anything.",
                          std::nullopt);
}

}  // namespace

DuplicateFinder::KeeperChoice DuplicateFinder::chooseKeeper(const std::vector<FileRecord>& members) const {
    std::vector<int> codes;
    std::vector<int> copyNamed;  // 0 for an original-looking name
    std::vector<double> dates;
    std::vector<size_t> depths;
    for (const FileRecord& member : members) {
        codes.push_back(folders.locationCode(member.url()));
        copyNamed.push_back(suffixMatch(copySuffix(), stemOf(member.url())) ? 1 : 0);
        std::optional<Date> date = member.created() ? member.created() : member.modified();
        dates.push_back(date ? date->secondsSinceReferenceDate : std::numeric_limits<double>::infinity());
        depths.push_back(componentCount(member.path()));
    }
    if (auto index = uniqueMinimum(codes)) {
        return {static_cast<int64_t>(*index),
                "I'd keep this copy. It's the one already filed in " +
                    folders.containingFolderName(members[*index].url()) + "."};
    }
    if (auto index = uniqueMinimum(copyNamed)) {
        return {static_cast<int64_t>(*index), "I'd keep this copy. Its name looks like the original."};
    }
    if (auto index = uniqueMinimum(dates)) {
        return {static_cast<int64_t>(*index), "I'd keep this copy. It's the oldest one, so it's probably the original."};
    }
    auto shallowest = std::min_element(depths.begin(), depths.end());  // the first of equals
    return {static_cast<int64_t>(shallowest - depths.begin()),
            "The copies are all the same, so I picked one to keep. At least one always stays."};
}

std::string DuplicateFinder::normalizedStem(std::string_view fileName) {
    std::string stem = path::stem(fileName);
    for (bool removed = true; removed;) {
        removed = false;
        for (const Regex* pattern : {&copySuffix(), &versionSuffix()}) {
            if (auto match = suffixMatch(*pattern, stem)) {
                stem.erase(match->begin, match->end - match->begin);
                removed = removed || match->end > match->begin;
            }
        }
    }
    // Most names are ASCII, where lower-casing is A to Z alone; the rest go through ICU.
    if (std::any_of(stem.begin(), stem.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        return platform::text::lowerCased(stem);
    }
    for (char& c : stem) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return stem;
}

bool DuplicateFinder::takesPart(const FileRecord& record) const {
    return !record.isDirectory() && !record.isPackage() && record.size() >= minimumSize && !record.isCloudOnly() &&
           !record.projectContext();
}

std::vector<DuplicateGroup> DuplicateFinder::nameGroups(const std::vector<FileRecord>& records,
                                                        const std::vector<DuplicateGroup>& exactGroups) const {
    ExactMembers exactMembers(exactGroups);

    // The folder, normalized stem and extension a record is grouped by; none when it takes no part.
    auto keyOf = [&](const FileRecord& record) -> std::optional<std::string> {
        if (!takesPart(record) || exactMembers.find(record)) return std::nullopt;
        std::string stem = normalizedStem(record.url().lastPathComponent());
        if (stem.empty()) return std::nullopt;
        return path::parent(record.path()) + "/" + stem + "." + record.url().pathExtension();
    };
    // Records by the hash of their key; within a run of equal hashes the keys themselves decide.
    struct Keyed {
        size_t hash;
        size_t position;  // the record's
    };
    std::vector<Keyed> keyed;
    for (size_t i = 0; i < records.size(); ++i) {
        if (auto key = keyOf(records[i])) keyed.push_back({std::hash<std::string>{}(*key), i});
    }

    std::vector<std::pair<size_t, DuplicateGroup>> ordered;
    SharedRuns::forEach(keyed, [](const Keyed& k) { return k.hash; }, [&](auto begin, auto end) {
        std::vector<std::pair<std::string, std::vector<size_t>>> buckets;  // first-met order
        for (auto it = begin; it != end; ++it) {
            std::string key = *keyOf(records[it->position]);
            auto bucket = std::find_if(buckets.begin(), buckets.end(), [&](const auto& b) { return b.first == key; });
            if (bucket == buckets.end()) bucket = buckets.insert(buckets.end(), {std::move(key), {}});
            bucket->second.push_back(it->position);
        }
        for (const auto& [key, positions] : buckets) {
            if (positions.size() < 2) continue;
            std::vector<FileRecord> members;
            for (size_t position : positions) members.push_back(records[position]);
            ordered.emplace_back(positions.front(), nameGroup(std::move(members)));
        }
    });
    return GroupOrder::byFirstRecordThenReclaimableBytes(std::move(ordered));
}

}  // namespace ordane
