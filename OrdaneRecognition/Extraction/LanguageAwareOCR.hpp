#pragma once

#include <optional>
#include <string>
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

    // Nothing when the first reading gives nothing (see TextRecognizer::recognize). The second
    // reading is started only while the deadline leaves twice the first reading's time, as it
    // loads two models; when it can't be started, fails or finds no text, the first one stands.
    static std::optional<Reading> recognize(const platform::RgbaImage& image,
                                            platform::TextRecognizer::Layout layout,
                                            const platform::Deadline& deadline);
};

}  // namespace ordane
