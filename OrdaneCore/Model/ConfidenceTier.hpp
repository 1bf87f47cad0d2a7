#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

// How sure recognition is of a document's kind.
enum class ConfidenceTier { confident, tentative, unknown };

template <>
struct EnumCases<ConfidenceTier> {
    static constexpr std::array<std::pair<ConfidenceTier, std::string_view>, 3> cases{{
        {ConfidenceTier::confident, "confident"},
        {ConfidenceTier::tentative, "tentative"},
        {ConfidenceTier::unknown, "unknown"},
    }};
};

}  // namespace ordane
