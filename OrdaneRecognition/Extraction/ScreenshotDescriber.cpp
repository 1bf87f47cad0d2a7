#include "OrdaneRecognition/Extraction/ScreenshotDescriber.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Kinds/PreparedText.hpp"
#include "OrdaneRecognition/Kinds/RegexCache.hpp"
#include "OrdaneRecognition/Kinds/TextMatcher.hpp"

namespace ordane {

namespace {

namespace text = platform::text;
using Options = platform::text::RegexOptions;

constexpr const char* webAddress = R"(^https?://|^www\.|\.com(/|$)|\.org(/|$))";

// Whether the pattern matches somewhere in the text; a pattern that does not compile, or a text
// the engine gives up on, counts as no match.
bool contains(const char* pattern, std::string_view searched, Options options = Options::none) {
    const auto regex = RegexCache::shared().regex(pattern, options);
    if (!regex) return false;
    try {
        return regex->firstMatch(searched).has_value();
    } catch (const text::RegexError&) {
        return false;
    }
}

// The full-text tests: at least `minHits` matches, "^" and "$" at every line break.
TextMatcher fullTextTest(const char* pattern, int minHits) {
    return TextMatcher::regex(pattern, Options::anchorsMatchLines, TextRegion::all, minHits);
}

bool holds(const TextMatcher& matcher, const std::string& fullText) {
    return matcher.matches(PreparedText{}, fullText);  // patterns read only the raw text
}

size_t letterCount(std::string_view s) {
    size_t letters = 0;
    for (char32_t c : text::codePoints(s)) letters += text::isLetter(c) ? 1 : 0;
    return letters;
}

bool mostlyLetters(std::string_view s) { return letterCount(s) >= text::characterCount(s) * 6 / 10; }

std::string trimmedSpaces(std::string_view s) { return text::trimming(s, &text::isWhitespace); }

size_t wordCount(std::string_view s) {
    size_t words = 0;
    bool inWord = false;
    for (char c : s) {
        if (c == ' ') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

std::string joined(const std::vector<TextLine>& lines) {
    std::string full;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) full += '\n';
        full += lines[i].string;
    }
    return full;
}

bool isMenuWord(const std::string& lowered) {
    static const std::array<std::string_view, 7> words{"file", "edit", "view", "window", "help", "insert", "format"};
    return std::find(words.begin(), words.end(), lowered) != words.end();
}

}  // namespace

ScreenshotDescription ScreenshotDescriber::describeScreenshotText(const std::vector<TextLine>& lines) {
    ScreenshotDescription description;
    description.kind = classifyScreenshot(lines);
    const std::optional<std::string> subject = extractSubject(lines);
    if (!description.kind) {
        description.phrase = subject;
        return description;
    }
    switch (*description.kind) {
        case ScreenshotKind::receipt:
            if (subject) {
                const bool named = text::lowerCased(*subject).find("receipt") != std::string::npos;
                description.phrase = named ? *subject : *subject + " receipt";
            }
            break;
        case ScreenshotKind::conversation: description.phrase = subject.value_or("conversation"); break;
        case ScreenshotKind::tripConfirmation: description.phrase = subject.value_or("trip confirmation"); break;
        case ScreenshotKind::errorMessage:
            description.phrase = subject ? *subject + " (error message)" : "error message";
            break;
        case ScreenshotKind::webPage:
        case ScreenshotKind::code: description.phrase = subject; break;
    }
    return description;
}

std::optional<ScreenshotKind> ScreenshotDescriber::classifyScreenshot(const std::vector<TextLine>& lines) {
    static const TextMatcher currency = fullTextTest(R"([$€£]\s?\d)", 2);
    static const TextMatcher orderWords = fullTextTest(R"((?i)\b(order|receipt|subtotal|total)\b)", 2);
    static const TextMatcher bookingWords = fullTextTest(R"((?i)\b(confirmation|itinerary|boarding|reservation)\b)", 1);
    static const TextMatcher route = fullTextTest(R"(\b[A-Z]{3}\s*(→|-|to)\s*[A-Z]{3}\b)", 1);
    static const TextMatcher flightWords = fullTextTest(R"((?i)\b(flight|gate|seat)\b)", 2);
    static const TextMatcher dialogButtons = fullTextTest(R"((?i)^\s*(OK|Cancel|Try Again|Quit|Dismiss)\s*$)", 1);

    const std::string fullText = joined(lines);
    const bool hasCurrency = holds(currency, fullText);
    const bool hasWebAddress = std::any_of(lines.begin(), lines.end(), [](const TextLine& line) {
        return contains(webAddress, line.string, Options::caseInsensitive);
    });

    if (holds(orderWords, fullText) && hasCurrency) return ScreenshotKind::receipt;
    if (holds(bookingWords, fullText) && (holds(route, fullText) || holds(flightWords, fullText))) {
        return ScreenshotKind::tripConfirmation;
    }
    if (lines.size() <= 12 && holds(dialogButtons, fullText)) return ScreenshotKind::errorMessage;

    size_t shortLines = 0, left = 0, right = 0;
    for (const TextLine& line : lines) {
        if (text::characterCount(line.string) > 30 || !(line.y > 0.1)) continue;
        ++shortLines;
        left += line.x < 0.3 ? 1 : 0;
        right += line.x > 0.4 ? 1 : 0;
    }
    if (shortLines > 5 && left >= 2 && right >= 2) return ScreenshotKind::conversation;

    const auto codeCharacters = static_cast<size_t>(std::count_if(fullText.begin(), fullText.end(), [](char c) {
        return std::string_view("{}();=<>").find(c) != std::string_view::npos;
    }));
    if (codeCharacters > text::characterCount(fullText) / 20) return ScreenshotKind::code;
    if (hasWebAddress) return ScreenshotKind::webPage;
    return std::nullopt;
}

bool ScreenshotDescriber::isNoiseLine(const TextLine& line, const std::vector<TextLine>& lines) {
    const std::string s = trimmedSpaces(line.string);
    if (contains(R"(^\d{1,2}:\d{2}(\s?[AP]M)?$)", s)) return true;  // a clock
    if (contains(R"(^\d{1,3}%$)", s)) return true;                  // battery or progress
    if (contains(R"(^[/~][^ ]*$)", s)) return true;                 // a path
    if (contains(webAddress, s, Options::caseInsensitive)) return true;
    if (!mostlyLetters(s)) return true;
    if (isMenuWord(text::lowerCased(s))) return true;
    if (line.y < 0.05) {  // a menu bar: several short items side by side at the very top
        const auto neighbours = std::count_if(lines.begin(), lines.end(), [&](const TextLine& other) {
            return std::abs(other.y - line.y) < 0.02 && text::characterCount(other.string) < 13;
        });
        if (neighbours > 3) return true;
    }
    return line.y < 0.08 && line.width > 0.85;  // a title or address bar across the top
}

double ScreenshotDescriber::subjectScore(const TextLine& line, double maxHeight) {
    const size_t words = wordCount(line.string);
    const double wordScore = words >= 2 && words <= 8 ? 0.5 : words == 1 ? 0.15 : 0.2;
    const double topScore = line.y <= 0.25 ? 1.5 : 1.5 * std::max(0.0, 1 - (line.y - 0.25) / 0.35);
    const double centreness = std::abs(line.x + line.width * 0.5 - 0.5) * 2;
    const double centreScore = centreness < 1 ? 1 - centreness : 0;
    return line.height / maxHeight * 3 + topScore + centreScore * 0.75 + wordScore;
}

std::optional<std::string> ScreenshotDescriber::extractSubject(const std::vector<TextLine>& lines) {
    if (lines.empty()) return std::nullopt;
    double maxHeight = 0;
    for (const TextLine& line : lines) maxHeight = std::max(maxHeight, line.height);
    if (!(maxHeight > 0)) return std::nullopt;

    std::vector<std::pair<double, const TextLine*>> scored;
    for (const TextLine& line : lines) {
        if (line.confidence < 0.5 || isNoiseLine(line, lines)) continue;
        scored.emplace_back(subjectScore(line, maxHeight), &line);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (scored.empty()) return std::nullopt;

    const auto& [bestScore, best] = scored.front();
    if (best->confidence < 0.6) return std::nullopt;
    const std::string t = trimmedSpaces(best->string);
    if (text::characterCount(t) <= 7 && wordCount(t) < 2) return std::nullopt;
    if (!mostlyLetters(t)) return std::nullopt;
    if (scored.size() > 1 && scored[1].first > 0 && bestScore < 1.2 * scored[1].first) return std::nullopt;  // ambiguous
    return sanitizeSubject(t);
}

std::string ScreenshotDescriber::sanitizeSubject(const std::string& subject) {
    static const text::Regex controls(R"(\p{Cc})");
    static const text::Regex spaces(R"(\s+)");
    static const text::Regex ends(R"(^[\s\p{P}]+|[\s\p{P}]+$)");
    std::string s = subject;
    std::replace(s.begin(), s.end(), '/', ' ');
    std::replace(s.begin(), s.end(), ':', ' ');
    s = ends.replacingAll(spaces.replacingAll(controls.replacingAll(s, ""), " "), "");
    if (text::characterCount(s) <= 40) return s;
    std::string cut = text::prefix(s, 40);
    const size_t lastSpace = cut.rfind(' ');
    if (lastSpace != std::string::npos) cut.resize(lastSpace);
    return cut;
}

}  // namespace ordane
