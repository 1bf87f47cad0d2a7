#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordane::platform {

// Names the dominant language of a text, or none when it cannot tell reliably.
//
// Languages are named by their ISO 639-1 codes where they have one: "en" English, "fr" French,
// "de" German, "es" Spanish, "it" Italian, "pt" Portuguese, "nl" Dutch, "sv" Swedish,
// "no" Norwegian, "da" Danish, "tr" Turkish, "pl" Polish, "ja" Japanese…
class LanguageRecognizer {
public:
    virtual ~LanguageRecognizer() = default;
    // Text that is not valid UTF-8 is read as its repaired copy (U+FFFD for each bad sequence).
    virtual std::optional<std::string> dominantLanguage(std::string_view text) const = 0;
};

}  // namespace ordane::platform
