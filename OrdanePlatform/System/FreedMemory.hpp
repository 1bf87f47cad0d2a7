#pragma once

namespace ordane::platform {

// Hands the pages of freed heap memory back to the system. The allocator keeps freed memory for
// the process; after a large store drops most of what it held, that is memory a long-running
// program would otherwise keep for nothing.
void returnFreedMemory();

}  // namespace ordane::platform
