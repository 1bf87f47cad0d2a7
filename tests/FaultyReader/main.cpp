// The reader program of the tests: the real reader, except on files whose names ask it to fail
// the ways a hostile file can make a parser fail: "reader-crash" (a fault inside the read),
// "reader-hang" (a stalled mount, or a loop outside the deadline checks) and "reader-flood"
// (allocation without end); and "reader-unlimited", which it reads only under a CPU limit. With "--refuse=<extractor>" every read by that extractor fails, as
// one does where the reader's confinement or a library differs from the program's; with
// "--no-filters" the reader can't load a system-call filter, as in some containers. Built only
// with the tests; the installed reader has no such names.
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdaneRecognition/Isolation/ReaderService.hpp"

namespace {

// A filter of our own that makes loading any further filter fail; it stays across exec.
void refuseFilters() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter || seccomp_rule_add(filter, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(seccomp), 0) != 0 ||
        seccomp_rule_add(filter, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(prctl), 1, SCMP_A0(SCMP_CMP_EQ, PR_SET_SECCOMP)) != 0 ||
        seccomp_load(filter) != 0) {
        ::_exit(1);
    }
    seccomp_release(filter);
}

}  // namespace

int main(int, char** argv) {
    std::string refused;
    for (char** argument = argv + 1; *argument; ++argument) {
        if (std::string_view(*argument).starts_with("--refuse=")) refused = *argument + std::strlen("--refuse=");
        if (std::string_view(*argument) == "--no-filters") refuseFilters();
    }
    return ordane::ReaderService::main(argv, [refused](const ordane::readerProtocol::Request& request) {
        if (request.extractor == refused) throw std::runtime_error("refused " + refused);
        const std::string name = ordane::platform::path::lastComponent(request.path);
        if (name.find("reader-crash") != std::string::npos) {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        }
        if (name.find("reader-unlimited") != std::string::npos) {
            rlimit cpu{};
            if (::getrlimit(RLIMIT_CPU, &cpu) != 0 || cpu.rlim_cur == RLIM_INFINITY) ::_exit(3);
        }
        if (name.find("reader-hang") != std::string::npos) {
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }
        if (name.find("reader-flood") != std::string::npos) {
            constexpr size_t chunk = size_t(64) << 20;
            std::vector<std::unique_ptr<char[]>> held;
            for (;;) {
                held.emplace_back(new char[chunk]);
                std::memset(held.back().get(), 1, chunk);
            }
        }
    });
}
