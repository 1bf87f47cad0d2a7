#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ordane::testing {

// A xorshift generator: the same "random" cases on every run, so a failure can be replayed.
struct SeededRandom {
    uint64_t state;

    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    size_t below(size_t n) { return static_cast<size_t>(next() % n); }
    bool percent(int p) { return below(100) < static_cast<size_t>(p); }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }
};

}  // namespace ordane::testing
