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
}  // namespace

LargeHeapSteps::LargeHeapSteps() {
    std::lock_guard lock(heapStepsMutex);
    if (heapStepsHeld++ == 0) ::mallopt(M_TOP_PAD, static_cast<int>(largeTopPad));
}

LargeHeapSteps::~LargeHeapSteps() {
    std::lock_guard lock(heapStepsMutex);
    if (--heapStepsHeld == 0) {
        ::mallopt(M_TOP_PAD, static_cast<int>(defaultTopPad));
        // What was freed while held is given back now, as it would have been then.
        ::malloc_trim(0);
    }
}

}  // namespace ordane::platform
