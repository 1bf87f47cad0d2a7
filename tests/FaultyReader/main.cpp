// The reader program of the tests: the real reader, except on files whose names ask it to fail
// the ways a hostile file can make a parser fail: "reader-crash" (a fault inside the read),
// "reader-hang" (a stalled mount, or a loop outside the deadline checks) and "reader-flood"
// (allocation without end). Built only with the tests; the installed reader has no such names.
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdaneRecognition/Isolation/ReaderService.hpp"

int main(int, char** argv) {
    return ordane::ReaderService::main(argv, [](const ordane::readerProtocol::Request& request) {
        const std::string name = ordane::platform::path::lastComponent(request.path);
        if (name.find("reader-crash") != std::string::npos) {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
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
