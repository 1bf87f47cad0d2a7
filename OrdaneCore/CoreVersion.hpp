#pragma once

#include <string_view>

namespace ordane {

inline constexpr std::string_view coreVersion = "0.1.0";

}  // namespace ordane
