#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

enum class FindingCategory {
    biggestFiles,
    downloadsCleanup,
    duplicates,
    oldFiles,
    screenshots,
    screenshotNaming,
    organizeSuggestion,
    recreatable,
};

template <>
struct EnumCases<FindingCategory> {
    static constexpr std::array<std::pair<FindingCategory, std::string_view>, 8> cases{{
        {FindingCategory::biggestFiles, "biggestFiles"},
        {FindingCategory::downloadsCleanup, "downloadsCleanup"},
        {FindingCategory::duplicates, "duplicates"},
        {FindingCategory::oldFiles, "oldFiles"},
        {FindingCategory::screenshots, "screenshots"},
        {FindingCategory::screenshotNaming, "screenshotNaming"},
        {FindingCategory::organizeSuggestion, "organizeSuggestion"},
        {FindingCategory::recreatable, "recreatable"},
    }};
};

constexpr std::string_view title(FindingCategory category) {
    switch (category) {
        case FindingCategory::biggestFiles: return "Biggest files";
        case FindingCategory::downloadsCleanup: return "Downloads cleanup";
        case FindingCategory::duplicates: return "Duplicates";
        case FindingCategory::oldFiles: return "Old files";
        case FindingCategory::screenshots: return "Screenshots";
        case FindingCategory::screenshotNaming: return "Screenshot names";
        case FindingCategory::organizeSuggestion: return "Tidy it up";
        case FindingCategory::recreatable: return "Rebuildable files";
    }
    return "";
}

}  // namespace ordane
