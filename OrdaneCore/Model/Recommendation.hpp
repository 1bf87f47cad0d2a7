#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

enum class Recommendation { keep, organize, review, probablySafeToRemove, leaveAlone };

template <>
struct EnumCases<Recommendation> {
    static constexpr std::array<std::pair<Recommendation, std::string_view>, 5> cases{{
        {Recommendation::keep, "keep"},
        {Recommendation::organize, "organize"},
        {Recommendation::review, "review"},
        {Recommendation::probablySafeToRemove, "probablySafeToRemove"},
        {Recommendation::leaveAlone, "leaveAlone"},
    }};
};

constexpr std::string_view title(Recommendation recommendation) {
    switch (recommendation) {
        case Recommendation::keep: return "Keep";
        case Recommendation::organize: return "Organize";
        case Recommendation::review: return "Review";
        case Recommendation::probablySafeToRemove: return "Probably safe to remove";
        case Recommendation::leaveAlone: return "Leave alone";
    }
    return "";
}

}  // namespace ordane
