#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// Where each member of the exact groups stands, found by a record's path. Most records are in no
// group: their size alone says so, before any path is looked at. Paths are compared where the
// records keep them, never copied: a home of a million files has hundreds of thousands of members.
// The groups must outlive this.
class ExactMembers {
public:
    struct Place {
        size_t group = 0;
        size_t member = 0;
    };

    explicit ExactMembers(const std::vector<DuplicateGroup>& groups) : groups_(groups) {
        for (size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].kind() != DuplicateKind::exact) continue;
            const auto& members = groups[g].members();
            for (size_t i = 0; i < members.size(); ++i) {
                sizes_.insert(members[i].size());
                places_.emplace(pathHash(members[i]), Place{g, i});
            }
        }
    }

    const Place* find(const FileRecord& record) const {
        if (record.urlIsDirectory() || !sizes_.count(record.size())) return nullptr;
        const Place* found = nullptr;
        auto [begin, end] = places_.equal_range(pathHash(record));
        for (auto entry = begin; entry != end; ++entry) {
            const Place& place = entry->second;
            const FileRecord& member = groups_[place.group].members()[place.member];
            bool later = !found || place.group > found->group || (place.group == found->group && place.member > found->member);
            if (later && member.folderPath() == record.folderPath() && member.name() == record.name()) found = &place;
        }
        return found;  // a path met again in a later group takes that place
    }

private:
    static size_t pathHash(const FileRecord& record) {
        size_t folder = std::hash<std::string_view>{}(record.folderPath());
        return folder ^ (std::hash<std::string_view>{}(record.name()) + 0x9E3779B97F4A7C15ull + (folder << 6) + (folder >> 2));
    }

    const std::vector<DuplicateGroup>& groups_;
    std::unordered_set<int64_t> sizes_;
    std::unordered_multimap<size_t, Place> places_;
};

}  // namespace ordane
