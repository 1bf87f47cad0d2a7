#include "OrdanePlatform/System/FreedMemory.hpp"

#include <malloc.h>

#include <cstddef>
#include <mutex>

namespace ordane::platform {

void returnFreedMemory() { ::malloc_trim(0); }

namespace {
std::mutex heapStepsMutex;
size_t heapStepsHeld = 0;
// A thread's heap is at most 64 MiB: with this much padding each new one is usable whole at once.
constexpr size_t largeTopPad = size_t{64} << 20;
// The allocator's own default.
constexpr size_t defaultTopPad = size_t{128} << 10;
// Setting the pad stops glibc from raising its mmap and trim thresholds as large blocks are
// freed, for good: left at their 128 KiB start, every block from there up would be mapped and
// unmapped each time. They are fixed where that raising would typically have taken them.
constexpr size_t mmapThreshold = size_t{4} << 20;
constexpr size_t trimThreshold = 2 * mmapThreshold;  // glibc keeps it at twice the other
bool thresholdsFixed = false;
}  // namespace

LargeHeapSteps::LargeHeapSteps() {
    std::lock_guard lock(heapStepsMutex);
    if (!thresholdsFixed) {
        ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(mmapThreshold));
        ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(trimThreshold));
        thresholdsFixed = true;
    }
    if (heapStepsHeld++ == 0) ::mallopt(M_TOP_PAD, static_cast<int>(largeTopPad));
}

LargeHeapSteps::~LargeHeapSteps() {
    {
        std::lock_guard lock(heapStepsMutex);
        if (--heapStepsHeld != 0) return;
        ::mallopt(M_TOP_PAD, static_cast<int>(defaultTopPad));
    }
    // What was freed while held is given back now, without holding up a load that starts.
    returnFreedMemory();
}

}  // namespace ordane::platform
