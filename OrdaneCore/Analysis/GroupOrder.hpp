#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// The two orders every maker of duplicate groups uses, both stable.
struct GroupOrder {
    // The group that frees the most bytes first; equal ones keep their order.
    static void byReclaimableBytes(std::vector<DuplicateGroup>& groups) {
        std::stable_sort(groups.begin(), groups.end(), [](const DuplicateGroup& a, const DuplicateGroup& b) {
            return a.reclaimableBytes() > b.reclaimableBytes();
        });
    }

    // Groups paired with the position of their first record: by that position (the order of a walk),
    // then the group that frees the most bytes first.
    static std::vector<DuplicateGroup> byFirstRecordThenReclaimableBytes(
        std::vector<std::pair<size_t, DuplicateGroup>> ordered) {
        std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<DuplicateGroup> groups;
        groups.reserve(ordered.size());
        for (auto& entry : ordered) groups.push_back(std::move(entry.second));
        byReclaimableBytes(groups);
        return groups;
    }

    // Members by the path of their URL, in plain byte order; `record` picks the FileRecord out of an item.
    template <class Item, class RecordOf>
    static void byPath(std::vector<Item>& items, RecordOf record) {
        std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            return FileRecord::pathLess(record(a), record(b));
        });
    }

    static void byPath(std::vector<FileRecord>& records) {
        byPath(records, [](const FileRecord& r) -> const FileRecord& { return r; });
    }
};

}  // namespace ordane
