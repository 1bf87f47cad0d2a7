#include "OrdaneCore/Foundation/Date.hpp"

#include <chrono>

namespace ordane {

Date Date::now() {
    auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    return fromUnix(std::chrono::duration<double>(since1970).count());
}

}  // namespace ordane
