#include "OrdaneRecognition/Kinds/PreparedText.hpp"

#include <optional>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

// What ICU's "\s" matches: tab, line feed, form feed, carriage return and the separators (Z).
bool isPatternSpace(char32_t c) { return c != 0x0B && c != 0x85 && text::isWhitespaceOrNewline(c); }

bool isLineBreak(char32_t c) { return c == '\n' || c == '\f' || c == '\r' || c == 0x2028 || c == 0x2029; }

enum class RunKind { none, space, dot };

RunKind runKind(char32_t c) {
    if (c == '.') return RunKind::dot;
    return isPatternSpace(c) ? RunKind::space : RunKind::none;
}

// Fast test on the bytes: could the text hold a long run? Every byte of a multi-byte character
// counts as a possible space, so no long run is missed; only then is the text decoded.
bool mayHaveLongRun(std::string_view bytes) {
    size_t dots = 0;
    size_t spaces = 0;
    for (char c : bytes) {
        const bool maybeSpace = static_cast<unsigned char>(c) >= 0x80 || c == ' ' || c == '\t' || c == '\n' ||
                                c == '\f' || c == '\r';
        dots = c == '.' ? dots + 1 : 0;
        spaces = maybeSpace ? spaces + 1 : 0;
        if (dots > PreparedText::longestRun || spaces > PreparedText::longestRun) return true;
    }
    return false;
}

}  // namespace

std::string PreparedText::shortenedRuns(std::string_view rawText) {
    if (!mayHaveLongRun(rawText)) return std::string(rawText);
    const std::u32string characters = text::codePoints(rawText);
    std::u32string kept;
    kept.reserve(characters.size());
    constexpr size_t keep = longestRun / 2;
    size_t i = 0;
    while (i < characters.size()) {
        const RunKind kind = runKind(characters[i]);
        size_t end = i + 1;
        if (kind != RunKind::none) {
            while (end < characters.size() && runKind(characters[end]) == kind) ++end;
        }
        if (end - i <= longestRun) {
            kept.append(characters, i, end - i);
        } else {
            kept.append(characters, i, keep);
            bool breaksLine = false;
            for (size_t k = i + keep; k < end - keep; ++k) breaksLine = breaksLine || isLineBreak(characters[k]);
            if (breaksLine) kept.push_back(U'\n');
            kept.append(characters, end - keep, keep);
        }
        i = end;
    }
    return text::fromCodePoints(kept);
}

PreparedText PreparedText::prepare(std::string_view rawText) {
    PreparedText prepared;
    prepared.all = text::folded(rawText);
    prepared.head = text::prefix(prepared.all, headCharacters);
    prepared.raw = shortenedRuns(rawText);
    prepared.rawHead = shortenedRuns(text::prefix(rawText, headCharacters));
    prepared.decodedRaw = platform::text::RegexText(prepared.raw);
    prepared.decodedRawHead = platform::text::RegexText(prepared.rawHead);
    return prepared;
}

}  // namespace ordane
