#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace ordane {

// Buckets without a hash map: items sorted by a key, then visited as runs of equal keys.
struct SharedRuns {
    // Sorts `items` by `key`, ties by their `position` member (so the result does not depend on
    // hashing), and calls `visit(begin, end)` for every run of at least two items with equal keys.
    template <class Item, class Key, class Visit>
    static void forEach(std::vector<Item>& items, Key key, Visit visit) {
        std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            return std::pair(key(a), a.position) < std::pair(key(b), b.position);
        });
        for (size_t begin = 0; begin < items.size();) {
            size_t end = begin + 1;
            while (end < items.size() && key(items[end]) == key(items[begin])) ++end;
            if (end - begin >= 2) {
                visit(items.begin() + static_cast<std::ptrdiff_t>(begin), items.begin() + static_cast<std::ptrdiff_t>(end));
            }
            begin = end;
        }
    }
};

}  // namespace ordane
