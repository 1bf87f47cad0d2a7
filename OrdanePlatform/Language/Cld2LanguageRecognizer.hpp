#pragma once

#include "OrdanePlatform/Language/LanguageRecognizer.hpp"

namespace ordane::platform {

// CLD2's guess over the whole text as plain text; an unreliable guess or an unknown language is
// no language. Nynorsk and Bokmål both count as Norwegian ("no").
class Cld2LanguageRecognizer : public LanguageRecognizer {
public:
    std::optional<std::string> dominantLanguage(std::string_view text) const override;

    // A shared instance: the recogniser holds no state.
    static const Cld2LanguageRecognizer& shared();
};

}  // namespace ordane::platform
