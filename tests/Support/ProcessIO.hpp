#pragma once

#include <cstdint>

namespace ordane::testing {

// Bytes this process has read from files so far.
int64_t bytesReadByProcess();

}  // namespace ordane::testing
