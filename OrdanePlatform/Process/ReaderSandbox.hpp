#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace ordane::platform {

// The confinement a reader helper puts itself in before it touches an untrusted file: whatever a
// malformed file makes a parser do inside the helper, it can't write a file, reach the network,
// start a program or take more than its share of memory and time. See ReaderSandbox.cpp for the
// system-call filter and the reasons behind each entry.
class ReaderSandbox {
public:
    // Room for allocations above what the helper holds when it enters: a decompression bomb
    // fails there, inside the helper.
    static constexpr int64_t addressSpaceHeadroom = int64_t(2) << 30;

    // Closes every descriptor above the channel, turns off core files, sets no-new-privileges and
    // the address-space limit, and installs the system-call filter. Call once, single-threaded,
    // after the program's libraries are loaded. Where the kernel or a container refuses the filter,
    // the other limits still hold: the result then says why the filter is missing (nothing when it
    // is in place). Throws std::system_error when another limit can't be set.
    static std::optional<std::string> enter();

    // Closes every descriptor above the channel, one by one where close_range is missing
    // (kernels before 5.9).
    static void closeInheritedDescriptors();

    // CPU time for the next piece of work: the helper gets SIGXCPU (and ends) once it has used
    // `allowance` more than it has so far. Also ends a helper orphaned in a loop.
    static void limitCpuTime(std::chrono::seconds allowance);
};

}  // namespace ordane::platform
