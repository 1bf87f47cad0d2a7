#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// Where each member of the exact groups stands, found by a record's path. Most records are in no
// group: their size alone says so, before any path is built.
class ExactMembers {
public:
    struct Place {
        size_t group = 0;
        size_t member = 0;
    };

    explicit ExactMembers(const std::vector<DuplicateGroup>& groups) {
        for (size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].kind() != DuplicateKind::exact) continue;
            const auto& members = groups[g].members();
            for (size_t i = 0; i < members.size(); ++i) {
                sizes_.insert(members[i].size());
                places_.insert_or_assign(members[i].path(), Place{g, i});  // a later group wins
            }
        }
    }

    const Place* find(const FileRecord& record) const {
        if (record.urlIsDirectory() || !sizes_.count(record.size())) return nullptr;
        auto place = places_.find(record.path());
        return place == places_.end() ? nullptr : &place->second;
    }

private:
    std::unordered_set<int64_t> sizes_;
    std::unordered_map<std::string, Place> places_;
};

}  // namespace ordane
