#include "OrdanePlatform/Language/Cld2LanguageRecognizer.hpp"

#include <cld2/public/compact_lang_det.h>
#include <cld2/public/encodings.h>

#include <climits>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

std::optional<std::string> detect(std::string_view text) {
    if (text.size() > static_cast<size_t>(INT_MAX)) text = text.substr(0, INT_MAX);
    CLD2::Language language3[3];
    int percent3[3];
    double normalizedScore3[3];
    int textBytes = 0;
    bool isReliable = false;
    const CLD2::Language language = CLD2::ExtDetectLanguageSummary(
        text.data(), static_cast<int>(text.size()), true, nullptr, 0, language3, percent3, normalizedScore3,
        nullptr, &textBytes, &isReliable);
    if (!isReliable || language == CLD2::UNKNOWN_LANGUAGE || language == CLD2::TG_UNKNOWN_LANGUAGE) {
        return std::nullopt;
    }
    if (language == CLD2::NORWEGIAN_N) return "no";
    return std::string(CLD2::LanguageCode(language));
}

}  // namespace

std::optional<std::string> Cld2LanguageRecognizer::dominantLanguage(std::string_view text) const {
    // CLD2 reads past the end of ill-formed UTF-8.
    if (text::isValidUTF8(text)) return detect(text);
    return detect(text::validUTF8(text));
}

const Cld2LanguageRecognizer& Cld2LanguageRecognizer::shared() {
    static const Cld2LanguageRecognizer recognizer;
    return recognizer;
}

}  // namespace ordane::platform
