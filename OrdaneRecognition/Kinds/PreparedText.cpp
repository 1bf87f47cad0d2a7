#include "OrdaneRecognition/Kinds/PreparedText.hpp"

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

PreparedText PreparedText::prepare(std::string_view rawText) {
    PreparedText prepared;
    prepared.all = platform::text::folded(rawText);
    prepared.head = platform::text::prefix(prepared.all, headCharacters);
    return prepared;
}

}  // namespace ordane
