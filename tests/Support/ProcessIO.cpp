#include "Support/ProcessIO.hpp"

#include <fstream>
#include <string>

namespace ordane::testing {

int64_t bytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    int64_t value = 0;
    for (std::string key; io >> key >> value;) {
        if (key == "rchar:") return value;
    }
    return 0;
}

}  // namespace ordane::testing
