#pragma once

#include <string>
#include <string_view>

namespace ordane {

// Which part of a text a matcher searches: the first 400 characters, or all of it.
enum class TextRegion { head, all };

// A sample text in the form phrase matchers search: folded (case and diacritics removed under
// "en_US") and lower-cased, with its head cut at a character boundary.
struct PreparedText {
    static constexpr size_t headCharacters = 400;

    std::string all;
    std::string head;  // the first 400 characters of `all`, or all of it when shorter

    static PreparedText prepare(std::string_view rawText);

    const std::string& region(TextRegion region) const { return region == TextRegion::head ? head : all; }

    bool operator==(const PreparedText&) const = default;
};

}  // namespace ordane
