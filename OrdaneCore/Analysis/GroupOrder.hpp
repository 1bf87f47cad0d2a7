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
        std::vector<size_t> firsts;
        std::vector<DuplicateGroup> groups;
        firsts.reserve(ordered.size());
        groups.reserve(ordered.size());
        for (auto& [first, group] : ordered) {
            firsts.push_back(first);
            groups.push_back(std::move(group));
        }
        byFirstRecordThenReclaimableBytes(groups, firsts);
        return groups;
    }

    // The same order, given the position of each group's first record, put in place: a search's
    // groups are not held twice.
    static void byFirstRecordThenReclaimableBytes(std::vector<DuplicateGroup>& groups, const std::vector<size_t>& firsts) {
        std::vector<size_t> order(groups.size());  // the group that goes to each place
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::vector<int64_t> reclaimable(groups.size());
        for (size_t i = 0; i < groups.size(); ++i) reclaimable[i] = groups[i].reclaimableBytes();
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            if (reclaimable[a] != reclaimable[b]) return reclaimable[a] > reclaimable[b];
            return std::pair(firsts[a], a) < std::pair(firsts[b], b);
        });
        // Each cycle of the order is followed once; a place that holds its group is marked done.
        for (size_t i = 0; i < order.size(); ++i) {
            if (order[i] == i) continue;
            DuplicateGroup held = std::move(groups[i]);
            size_t place = i;
            while (order[place] != i) {
                size_t from = order[place];
                groups[place] = std::move(groups[from]);
                order[place] = place;
                place = from;
            }
            groups[place] = std::move(held);
            order[place] = place;
        }
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
