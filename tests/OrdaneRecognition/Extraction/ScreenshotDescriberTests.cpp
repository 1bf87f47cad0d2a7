#include <gtest/gtest.h>

#include "OrdaneRecognition/Extraction/ScreenshotDescriber.hpp"

using namespace ordane;

namespace {

TextLine at(std::string text, double x, double y, double width = 0.3, double height = 0.03, double confidence = 0.95) {
    return TextLine{std::move(text), x, y, width, height, confidence};
}

// A centred title that wins the subject, and filler lines low on the screen.
std::vector<TextLine> withTitle(const std::string& title, std::vector<TextLine> body) {
    body.insert(body.begin(), at(title, 0.3, 0.1, 0.4, 0.06));
    return body;
}

}  // namespace

TEST(ScreenshotDescriber, ClassifiesAndPhrasesEachKind) {
    const struct {
        const char* name;
        std::vector<TextLine> lines;
        std::optional<ScreenshotKind> kind;
        std::optional<std::string> phrase;
    } cases[] = {
        {"receipt", withTitle("Corner Bakery", {at("Subtotal $12.00", 0.1, 0.5), at("Total $13.20", 0.1, 0.6)}),
         ScreenshotKind::receipt, "Corner Bakery receipt"},
        {"receipt without subject", {at("Subtotal $12.00", 0.1, 0.5), at("Total $13.20", 0.1, 0.6), at("12:45", 0.4, 0.01)},
         ScreenshotKind::receipt, std::nullopt},
        {"one amount is no receipt", withTitle("Corner Bakery", {at("Subtotal and total", 0.1, 0.5), at("$12", 0.1, 0.6)}),
         std::nullopt, "Corner Bakery"},
        {"trip by route", withTitle("Booking Summary", {at("Reservation confirmed", 0.1, 0.5), at("LHR → JFK", 0.1, 0.6)}),
         ScreenshotKind::tripConfirmation, "Booking Summary"},
        {"dialog", withTitle("Disk Not Ejected", {at("The disk was not ejected.", 0.2, 0.4), at("OK", 0.7, 0.8, 0.05)}),
         ScreenshotKind::errorMessage, "Disk Not Ejected (error message)"},
        {"web page", withTitle("Garden Planning Guide", {at("www.gardens.org/plan", 0.1, 0.02, 0.4)}),
         ScreenshotKind::webPage, "Garden Planning Guide"},
        {"code", {at("int main() { return f(x) == g(y); }", 0.1, 0.3)}, ScreenshotKind::code, std::nullopt},
    };
    for (const auto& c : cases) {
        const ScreenshotDescription description = ScreenshotDescriber::describeScreenshotText(c.lines);
        EXPECT_EQ(description.kind, c.kind) << c.name;
        EXPECT_EQ(description.phrase, c.phrase) << c.name;
    }
}

TEST(ScreenshotDescriber, CountsLinesColumnsAndCodeCharactersAtTheLimits) {
    auto dialog = [](int lines) {
        std::vector<TextLine> screen{at("Cancel", 0.6, 0.9, 0.1)};
        for (int i = 1; i < lines; ++i) screen.push_back(at("line " + std::to_string(i), 0.1, 0.05 * i));
        return screen;
    };
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(dialog(12)), ScreenshotKind::errorMessage);
    EXPECT_NE(ScreenshotDescriber::classifyScreenshot(dialog(13)), ScreenshotKind::errorMessage);

    auto chat = [](int leftLines, int rightLines) {
        std::vector<TextLine> screen{at("Ann", 0.45, 0.05)};  // the header, above the top tenth
        for (int i = 0; i < leftLines; ++i) screen.push_back(at("hi there", 0.05, 0.2 + 0.1 * i));
        for (int i = 0; i < rightLines; ++i) screen.push_back(at("see you", 0.6, 0.25 + 0.1 * i));
        return screen;
    };
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(chat(3, 3)), ScreenshotKind::conversation);
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(chat(3, 2)), std::nullopt);  // five short lines
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(chat(5, 1)), std::nullopt);  // one column
    EXPECT_EQ(ScreenshotDescriber::describeScreenshotText(chat(3, 3)).phrase, "conversation");

    auto withCode = [](int codeCharacters) {
        std::string line = std::string(static_cast<size_t>(codeCharacters), '=') + std::string(100 - codeCharacters, 'a');
        return std::vector<TextLine>{at(line, 0.1, 0.5)};
    };
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(withCode(6)), ScreenshotKind::code);
    EXPECT_EQ(ScreenshotDescriber::classifyScreenshot(withCode(5)), std::nullopt);
}

TEST(ScreenshotDescriber, FiltersNoiseBeforeChoosingTheSubject) {
    const std::vector<TextLine> menuBar{at("File", 0.05, 0.01, 0.04, 0.08), at("Edit", 0.1, 0.01, 0.04, 0.08),
                                        at("View", 0.15, 0.01, 0.04, 0.08), at("Go", 0.2, 0.01, 0.04, 0.08),
                                        at("Quarterly Sales Review", 0.3, 0.3, 0.4, 0.05)};
    for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(ScreenshotDescriber::isNoiseLine(menuBar[i], menuBar)) << i;
    EXPECT_EQ(ScreenshotDescriber::extractSubject(menuBar), "Quarterly Sales Review");

    const std::vector<TextLine> all{at("", 0, 0.5)};
    const struct {
        TextLine line;
        bool noise;
    } cases[] = {
        {at("9:41 AM", 0.4, 0.5), true},        {at("87%", 0.4, 0.5), true},
        {at("example.com/cart", 0.4, 0.5), true}, {at("help", 0.4, 0.5), true},
        {at("Address bar of the browser", 0.05, 0.05, 0.9), true},
        {at("Address bar of the browser", 0.05, 0.05, 0.8), false},
        {at("Monthly statement", 0.4, 0.5), false},
    };
    for (const auto& c : cases) EXPECT_EQ(ScreenshotDescriber::isNoiseLine(c.line, all), c.noise) << c.line.string;
}

TEST(ScreenshotDescriber, ScoresAndRefusesAmbiguousOrWeakSubjects) {
    EXPECT_DOUBLE_EQ(ScreenshotDescriber::subjectScore(at("Three word title", 0.3, 0.2, 0.4, 0.05), 0.05), 5.75);
    // Scores 5.0 against 4.5 are too close; 5.5 against 4.5 are not. Height moves a score by 3 × its share.
    auto pair = [](double first, double second) {
        const double tallest = 0.06;
        auto line = [&](const char* text, double score) {
            // A centred line of three words high on the screen scores height share × 3 + 2.75.
            return at(text, 0.3, 0.2, 0.4, (score - 2.75) / 3 * tallest);
        };
        return std::vector<TextLine>{line("First candidate here", first), line("Second candidate here", second),
                                     at("tall filler symbols ###", 0.0, 0.9, 0.1, tallest, 0.3)};
    };
    EXPECT_EQ(ScreenshotDescriber::extractSubject(pair(5.0, 4.5)), std::nullopt);
    EXPECT_EQ(ScreenshotDescriber::extractSubject(pair(5.5, 4.5)), "First candidate here");
    EXPECT_EQ(ScreenshotDescriber::extractSubject({at("Billing", 0.3, 0.1, 0.4)}), std::nullopt);  // short, one word
    EXPECT_EQ(ScreenshotDescriber::extractSubject({at("Payments", 0.3, 0.1, 0.4)}), "Payments");
    EXPECT_EQ(ScreenshotDescriber::extractSubject({at("Billing Overview", 0.3, 0.1, 0.4, 0.03, 0.55)}), std::nullopt);
}

TEST(ScreenshotDescriber, SanitisesSubjects) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Invoice: March/April", "Invoice March April"},
        {"  -- Weekly   report!! ", "Weekly report"},
        {"Tab\tand\u0007bell  end", "Tabandbell end"},
        {"The quarterly planning meeting notes for the team", "The quarterly planning meeting notes"},
        {std::string(45, 'b'), std::string(40, 'b')},
    };
    for (const auto& c : cases) EXPECT_EQ(ScreenshotDescriber::sanitizeSubject(c.in), c.out) << c.in;
}
