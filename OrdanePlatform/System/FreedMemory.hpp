#pragma once

namespace ordane::platform {

// Hands the pages of freed heap memory back to the system. The allocator keeps freed memory for
// the process; after a large store drops most of what it held, that is memory a long-running
// program would otherwise keep for nothing.
void returnFreedMemory();

// While one is held, the allocator makes a thread's heap usable tens of megabytes at a time
// instead of a page at a time. Filling hundreds of megabytes from several threads otherwise
// costs a system call per page, each taking the process's memory-map lock for writing while
// every other thread's page faults wait. Pages are made usable, not touched: memory in use stays
// the same. Freed memory at the top of a heap is kept while one is held and trimmed as usual
// after. Holds may overlap, from any thread. The first one also fixes the allocator's mmap and
// trim thresholds for the rest of the process (see the source for why).
class LargeHeapSteps {
public:
    LargeHeapSteps();
    ~LargeHeapSteps();
    LargeHeapSteps(const LargeHeapSteps&) = delete;
    LargeHeapSteps& operator=(const LargeHeapSteps&) = delete;
};

}  // namespace ordane::platform
