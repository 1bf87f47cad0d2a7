#include "OrdaneCore/Model/SanitizedFolderName.hpp"

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {
constexpr size_t maximumCharacters = 60;
constexpr size_t maximumBytes = 255;  // one file name on Linux file systems
}  // namespace

std::optional<std::string> sanitizedFolderName(std::string_view name) {
    // Control characters go with the separators: a NUL would cut the name short at the system call.
    static const text::Regex separators(R"([/:\p{Cc}])");
    static const text::Regex whitespaceRuns(R"(\s+)");

    std::string result = separators.replacingAll(name, " ");
    result = whitespaceRuns.replacingAll(result, " ");
    result = text::trimming(result, text::isWhitespace);
    // Spaces between leading dots go too: ". Notes" is "Notes", not " Notes".
    result.erase(0, result.find_first_not_of(". "));
    if (result.empty() || result.size() > maximumBytes) return std::nullopt;
    if (text::characterCount(result) > maximumCharacters) return std::nullopt;
    return result;
}

}  // namespace ordane
