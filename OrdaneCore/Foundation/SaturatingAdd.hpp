#pragma once

#include <cstdint>
#include <limits>

namespace ordane {

// Sums of sizes read back from files must not overflow: they stop at the largest value instead.
constexpr int64_t saturatingAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

}  // namespace ordane
