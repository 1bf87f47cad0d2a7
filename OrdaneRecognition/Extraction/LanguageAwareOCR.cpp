#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"

#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"

namespace ordane {

namespace {

using Clock = platform::Deadline::Clock;

std::string joinedText(const std::vector<platform::RecognizedLine>& lines) {
    std::string text;
    for (const platform::RecognizedLine& line : lines) {
        if (!text.empty()) text += '\n';
        text += line.text;
    }
    return text;
}

}  // namespace

const LanguageAwareOCR::Recognizer& LanguageAwareOCR::Recognizer::tesseract() {
    static const Recognizer recognizer{platform::TextRecognizer::recognize, platform::TextRecognizer::loadTime};
    return recognizer;
}

std::optional<LanguageAwareOCR::Reading> LanguageAwareOCR::recognize(const platform::RgbaImage& image,
                                                                     platform::TextRecognizer::Layout layout,
                                                                     const platform::Deadline& deadline,
                                                                     const Recognizer& recognizer) {
    const Clock::time_point start = Clock::now();
    auto english = recognizer.recognize(image, layout, deadline, "en");
    if (!english) return std::nullopt;
    Reading reading{std::move(*english), "en"};
    if (reading.lines.empty()) return reading;

    const std::optional<std::string> language = RecognitionEngine::dominantLanguage(joinedText(reading.lines));
    if (RecognitionEngine::languageClass(language) != LanguageClass::otherSupported) return reading;
    const Clock::time_point now = Clock::now();
    if (const auto end = deadline.end(); end && now + 2 * (now - start) + recognizer.loadTime(*language) > *end) {
        return reading;
    }
    auto own = recognizer.recognize(image, layout, deadline, *language);
    if (!own || own->empty()) return reading;
    return Reading{std::move(*own), *language};
}

}  // namespace ordane
