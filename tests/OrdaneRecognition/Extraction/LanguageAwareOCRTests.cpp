#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdaneRecognition/Extraction/ExtractionFixtures.hpp"
#include "OrdaneRecognition/Extraction/ImageOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"
#include "OrdaneRecognition/Extraction/ScreenshotDescriber.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

struct LanguageCase {
    const char* language;
    Screenshot shot;
};

// A settings window's title and a few lines of text, as a screenshot shows them. No line ends in a
// full stop: a mark after a line's last word may be read apart from it and is then left out.
Screenshot window(const std::string& title, const std::vector<std::string>& lines) {
    Screenshot shot;
    shot.width = 1200;
    shot.height = 700;
    shot.lines.push_back({title, 300, 60, 38, true});
    for (size_t i = 0; i < lines.size(); ++i) shot.lines.push_back({lines[i], 80, 200 + 80.0 * i, 24});
    return shot;
}

const std::vector<LanguageCase>& screenshots() {
    static const std::vector<LanguageCase> cases{
        {"de", window("Einstellungen für Größe",
                      {"Die Schriftgröße gilt für alle Fenster", "Änderungen werden sofort übernommen",
                       "Bitte prüfen Sie Straße und Hausnummer", "Mit freundlichen Grüßen"})},
        {"fr", window("Paramètres de sécurité",
                      {"Les élèves étudient à la bibliothèque", "Nous avons bien reçu votre lettre",
                       "Dernière mise à jour hier à midi", "Veuillez agréer nos salutations distinguées"})},
        {"en", window("Backup Settings Overview",
                      {"Copies are kept for thirty days", "Changes are saved at once",
                       "Please check the street and house number", "With kind regards"})},
    };
    return cases;
}

using Layout = platform::TextRecognizer::Layout;
using Lines = std::vector<platform::RecognizedLine>;

// A recogniser standing in for tesseract: the English reading gives `english` at once; a reading
// in another language gives `own`, or without it runs out of time as a cold model loading past
// the deadline does (nothing, once the deadline is reached).
struct StandInRecognizer {
    Lines english{{"Die Schriftgröße gilt für alle Fenster"}, {"Änderungen werden sofort übernommen"}};
    std::optional<Lines> own;
    platform::Deadline::Clock::duration loadTime{};
    std::vector<std::string> languagesRead;

    LanguageAwareOCR::Recognizer recognizer() {
        return {[this](const platform::RgbaImage&, Layout, const platform::Deadline& deadline,
                       std::string_view language) -> std::optional<Lines> {
                    languagesRead.emplace_back(language);
                    if (language == "en") return english;
                    if (own) return own;
                    while (!deadline.reached()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    return std::nullopt;
                },
                [this](std::string_view) { return loadTime; }};
    }
};

}  // namespace

TEST(LanguageAwareOCR, GermanAndFrenchScreenshotsReachTheDescriberWithTheirUmlautsSharpSAndAccents) {
    TempDir dir;
    for (const LanguageCase& sample : screenshots()) {
        const std::string path = dir / (std::string(sample.language) + ".png");
        writeScreenshotPng(path, sample.shot);
        auto read = ImageOCRExtractor().extract(recordOf(path), ExtractionBudget());
        ASSERT_TRUE(read) << sample.language;
        ASSERT_EQ(read->lines.size(), sample.shot.lines.size()) << read->text;
        for (size_t i = 0; i < read->lines.size(); ++i) {
            EXPECT_EQ(read->lines[i].string, sample.shot.lines[i].text) << sample.language;
        }
        EXPECT_EQ(ScreenshotDescriber::describeScreenshotText(read->lines).phrase, sample.shot.lines[0].text);
    }
}

TEST(LanguageAwareOCR, EnglishIsReadOnceAndOtherSupportedLanguagesAgainWithTheirOwnModel) {
    TempDir dir;
    for (const LanguageCase& sample : screenshots()) {
        const std::string path = dir / (std::string(sample.language) + ".png");
        writeScreenshotPng(path, sample.shot);
        auto image = platform::ImageReader::read(path);
        ASSERT_TRUE(image);
        auto reading = LanguageAwareOCR::recognize(*image, platform::TextRecognizer::Layout::sparseText,
                                                   platform::Deadline());
        ASSERT_TRUE(reading);
        EXPECT_EQ(reading->language, sample.language);
        // The English reading of the same picture: kept as it is for English, replaced otherwise.
        auto english = platform::TextRecognizer::recognize(*image, platform::TextRecognizer::Layout::sparseText,
                                                           platform::Deadline());
        ASSERT_TRUE(english);
        if (std::string(sample.language) == "en") {
            EXPECT_EQ(reading->lines, *english);
        } else {
            EXPECT_NE(reading->lines, *english);
        }
    }
    // A picture without text is one reading, in English.
    writePhotoLikePng(dir / "photo.png", PhotoLike::gradient, 3, 320, 240);
    auto photo = platform::ImageReader::read(dir / "photo.png");
    ASSERT_TRUE(photo);
    auto reading = LanguageAwareOCR::recognize(*photo, platform::TextRecognizer::Layout::sparseText,
                                               platform::Deadline());
    EXPECT_EQ(reading, (LanguageAwareOCR::Reading{{}, "en"}));
}

TEST(LanguageAwareOCR, AScannedGermanLetterKeepsItsUmlautsAndSharpS) {
    TempDir dir;
    const PageLines letter{"Sehr geehrte Frau Müller,",
                           "vielen Dank für Ihre Nachricht vom Dienstag.",
                           "Die Größe der Wohnung an der Hauptstraße ist schön.",
                           "Die Übergabe der Schlüssel erfolgt am Montag.",
                           "Mit freundlichen Grüßen"};
    writeScannedPdf(dir / "brief.pdf", {letter});
    auto sample = ScannedPDFOCRExtractor().extract(recordOf(dir / "brief.pdf"), ExtractionBudget());
    ASSERT_TRUE(sample);
    std::string drawn;
    for (const std::string& line : letter) drawn += (drawn.empty() ? "" : "\n") + line;
    EXPECT_EQ(sample->text, drawn);
}

TEST(LanguageAwareOCR, ASecondReadingThatRunsOutOfTimeLeavesThePictureItsEnglishText) {
    TempDir dir;
    writePhotoLikePng(dir / "german.png", PhotoLike::gradient, 3, 64, 48);  // read by the stand-in as German
    StandInRecognizer standIn;
    ExtractionBudget budget;
    budget.ocrTimeout = std::chrono::seconds(2);  // the English reading and the guess take a third of it at most
    auto sample = ImageOCRExtractor::recognizeText(recordOf(dir / "german.png"), budget, {}, standIn.recognizer());
    EXPECT_EQ(standIn.languagesRead, (std::vector<std::string>{"en", "de"}));
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->text, "Die Schriftgröße gilt für alle Fenster\nÄnderungen werden sofort übernommen");
}

TEST(LanguageAwareOCR, AModelStillToLoadCountsAgainstTheTimeLeft) {
    const platform::RgbaImage image{1, 1, {255, 255, 255, 255}};
    StandInRecognizer standIn;
    standIn.own = Lines{{"Die Schriftgröße gilt für alle Fenster"}};
    const auto deadline = platform::Deadline::after(std::chrono::minutes(10));
    // A German engine ready: there is time to read again in German.
    auto reading = LanguageAwareOCR::recognize(image, Layout::sparseText, deadline, standIn.recognizer());
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->language, "de");
    // Its model would take longer to load than is left: the English reading stands, unread again.
    standIn.languagesRead.clear();
    standIn.loadTime = std::chrono::minutes(11);
    reading = LanguageAwareOCR::recognize(image, Layout::sparseText, deadline, standIn.recognizer());
    EXPECT_EQ(standIn.languagesRead, std::vector<std::string>{"en"});
    EXPECT_EQ(reading, (LanguageAwareOCR::Reading{standIn.english, "en"}));
}
