#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdanePlatform/Concurrency/Deadline.hpp"
#include "OrdanePlatform/Images/RgbaImage.hpp"
#include "OrdanePlatform/Ocr/RecognizedLine.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"

namespace ordane {

// Text recognition in the text's own language. The English model reads umlauts, ß and accents as
// other letters ("Grüße" as "GriiBe"), so a picture is read with it first, the language of what
// was read is guessed as the language gate guesses it, and when that is one of the other languages
// the rules support, the picture is read again with that language's model (and English). English
// pictures, and pictures in languages without a model, cost one reading and one guess.
class LanguageAwareOCR {
public:
    struct Reading {
        std::vector<platform::RecognizedLine> lines;
        std::string language;  // ISO 639-1 code of the model that read the lines: "en", "de"…

        bool operator==(const Reading&) const = default;
    };

    // The recogniser the readings use: TextRecognizer's, or a test's stand-in.
    struct Recognizer {
        std::function<std::optional<std::vector<platform::RecognizedLine>>(
            const platform::RgbaImage&, platform::TextRecognizer::Layout, const platform::Deadline&, std::string_view)>
            recognize;
        std::function<platform::Deadline::Clock::duration(std::string_view)> loadTime;

        static const Recognizer& tesseract();
    };

    // Nothing when the first reading gives nothing (see TextRecognizer::recognize). The second
    // reading is started only while the deadline leaves twice the first reading's time, as it
    // reads with two models, on top of the time loading them would take (which can't be cut
    // short); when it can't be started, fails, runs out of time or finds no text, the first one
    // stands, even though the deadline may have passed by then.
    static std::optional<Reading> recognize(const platform::RgbaImage& image,
                                            platform::TextRecognizer::Layout layout,
                                            const platform::Deadline& deadline,
                                            const Recognizer& recognizer = Recognizer::tesseract());
};

}  // namespace ordane
