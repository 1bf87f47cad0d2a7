#include <gtest/gtest.h>

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
