#pragma once

#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/EnumCases.hpp"
#include "OrdaneCore/Model/TextLine.hpp"

namespace ordane {

// What a screenshot shows, judged from its recognised lines.
enum class ScreenshotKind {
    webPage,           // a line looks like a web address
    receipt,           // order or total words and at least two currency amounts
    conversation,      // short lines in a left and a right column, as in a chat
    tripConfirmation,  // booking words plus a route or flight words
    code,              // many code punctuation characters
    errorMessage,      // a dialog button on a screen of few lines
};

template <>
struct EnumCases<ScreenshotKind> {
    static constexpr std::array<std::pair<ScreenshotKind, std::string_view>, 6> cases{{
        {ScreenshotKind::webPage, "webPage"},
        {ScreenshotKind::receipt, "receipt"},
        {ScreenshotKind::conversation, "conversation"},
        {ScreenshotKind::tripConfirmation, "tripConfirmation"},
        {ScreenshotKind::code, "code"},
        {ScreenshotKind::errorMessage, "errorMessage"},
    }};
};

struct ScreenshotDescription {
    std::optional<std::string> phrase;  // a few words for a new name
    std::optional<ScreenshotKind> kind;

    bool operator==(const ScreenshotDescription&) const = default;
};

// A short phrase and the kind of a screenshot, from its text lines (reading order, positions
// normalised to the picture, origin top-left). Menu bars, clocks, percentages, paths and web
// addresses are noise; the subject is the line that is large, high and centred.
class ScreenshotDescriber {
public:
    static ScreenshotDescription describeScreenshotText(const std::vector<TextLine>& lines);

    static std::optional<ScreenshotKind> classifyScreenshot(const std::vector<TextLine>& lines);
    static std::optional<std::string> extractSubject(const std::vector<TextLine>& lines);
    static bool isNoiseLine(const TextLine& line, const std::vector<TextLine>& lines);
    static std::string sanitizeSubject(const std::string& subject);

    // The score extractSubject ranks a candidate line by, given the tallest line's height.
    static double subjectScore(const TextLine& line, double maxHeight);
};

}  // namespace ordane
