#include <gtest/gtest.h>

#include <thread>

#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/PDFTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/PlainTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/RichTextExtractor.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"
#include "OrdaneRecognition/Extraction/ExtractionFixtures.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using platform::text::characterCount;

namespace {

FileRecord named(const std::string& path, int64_t size = 100) {
    FileRecord record;
    record.setURL(URL::fileURL(path));
    record.setSize(size);
    return record;
}

// Which of the five extractors (in TextExtractors::all order) take the record, as a string of
// their initials: P(DF text), I(mage), S(canned PDF), T(ext), R(ich text).
std::string takers(const FileRecord& record) {
    std::string initials;
    const char letters[] = {'P', 'I', 'S', 'T', 'R'};
    for (size_t i = 0; i < TextExtractors::all().size(); ++i) {
        if (TextExtractors::all()[i]->canHandle(record)) initials += letters[i];
    }
    return initials;
}

}  // namespace

TEST(TextExtractorChoice, DecidesOnTheLowerCasedExtensionAndTheScannedPDFSize) {
    const struct {
        const char* path;
        int64_t size;
        const char* expected;
    } cases[] = {
        {"/d/a.pdf", 20'000'000, "PS"}, {"/d/a.PDF", 20'000'001, "P"}, {"/d/shot.JPG", 5, "I"},
        {"/d/a.jpe", 5, ""},            {"/d/notes.MD", 5, "T"},       {"/d/letter.docx", 5, "R"},
        {"/d/old.doc", 5, ""},          {"/d/archive.pdf.zip", 5, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(takers(named(c.path, c.size)), c.expected) << c.path;
}

TEST(TimedExtraction, ALateResultCountsAsNoneAndAStopIsACancellation) {
    using namespace std::chrono_literals;
    auto late = [](const platform::Deadline&) {
        std::this_thread::sleep_for(30ms);
        return std::optional<int>(7);
    };
    EXPECT_EQ(runWithTimeout(late, 1ms), std::nullopt);
    EXPECT_EQ(runWithTimeout(late, 10s), 7);
    // The operation sees the deadline and can give up early.
    auto watching = [](const platform::Deadline& deadline) {
        while (!deadline.reached()) std::this_thread::sleep_for(1ms);
        return std::optional<int>(1);
    };
    EXPECT_EQ(runWithTimeout(watching, 20ms), std::nullopt);
    // A stop during the work reaches the work through the deadline, and ends as a cancellation.
    std::stop_source stop;
    auto stopping = [&](const platform::Deadline& deadline) {
        stop.request_stop();
        return watching(deadline);
    };
    EXPECT_THROW(runWithTimeout(stopping, std::chrono::nanoseconds::max(), stop.get_token()), CancellationError);
}

TEST(PDFTextExtractor, ReadsTheFirstPagesMarksWhatItLeftOutAndGivesUpWhenItsTimeIsUp) {
    TempDir dir;
    writeTextPdf(dir / "ten.pdf", numberedPages(10));
    auto sample = PDFTextExtractor().extract(recordOf(dir / "ten.pdf"), ExtractionBudget());
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->source, SampleSource::pdfText);
    EXPECT_TRUE(sample->truncated);
    EXPECT_EQ(sample->pageCount, 10);
    EXPECT_NE(sample->text.find("Page 3 of 10"), std::string::npos);
    EXPECT_EQ(sample->text.find("Page 4 of 10"), std::string::npos);
    EXPECT_EQ(sample->text.find('\f'), std::string::npos);

    ExtractionBudget none;
    none.perFileTimeout = std::chrono::nanoseconds(0);
    EXPECT_EQ(PDFTextExtractor().extract(recordOf(dir / "ten.pdf"), none), std::nullopt);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(PDFTextExtractor().extract(recordOf(dir / "ten.pdf"), ExtractionBudget(), stop.get_token()),
                 CancellationError);
}

TEST(PDFTextExtractor, CutsAtTheCharacterLimitExactly) {
    TempDir dir;
    writeTextPdf(dir / "three.pdf", numberedPages(3));
    const URL url = URL::fileURL(dir / "three.pdf");
    auto whole = PDFTextExtractor::extractText(url, 3, 1'000'000);
    ASSERT_TRUE(whole);
    const auto length = static_cast<int64_t>(characterCount(whole->text));
    EXPECT_FALSE(whole->truncated);

    auto exact = PDFTextExtractor::extractText(url, 3, length);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->text, whole->text);
    EXPECT_FALSE(exact->truncated);

    auto cut = PDFTextExtractor::extractText(url, 3, length - 1);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->text, whole->text.substr(0, whole->text.size() - 1));
    EXPECT_TRUE(cut->truncated);

    // A first page over the limit: the text is cut to the limit, the page count still reported.
    std::vector<std::string> longLines(260, std::string(100, 'x'));
    PdfLayout tall;
    tall.pageHeight = 14000;
    tall.fontSize = 5;
    writeTextPdf(dir / "long.pdf", {longLines, {"second page"}}, tall);
    auto limited = PDFTextExtractor().extract(recordOf(dir / "long.pdf"), ExtractionBudget());
    ASSERT_TRUE(limited);
    EXPECT_EQ(characterCount(limited->text), 20'000u);
    EXPECT_TRUE(limited->truncated);
    EXPECT_EQ(limited->pageCount, 2);
}

TEST(PlainTextExtractor, ReadsUpToTheByteLimitAsUTF8ElseAsLatin1) {
    TempDir dir;
    const std::string limit(16'384, 'a');
    const std::string latinCut = "\xe9t\xe9 " + std::string(16'379, 'a') + "\xe2\x82\xac\xe2\x82\xac";
    struct Case {
        std::string bytes, text;
        bool truncated;
    };
    std::vector<Case> cases = {
        {limit, limit, false},
        {limit + "bc", limit, true},
        {"caf\xe9 cr\xe8me br\xfbl\xe9" "e", "caf\u00e9 cr\u00e8me br\u00fbl\u00e9e", false},
        // Cut at the limit, but the bytes before the cut are not UTF-8 either.
        {latinCut, platform::text::fromLatin1(latinCut.substr(0, 16'384)), true},
        // An invalid byte at the very end of a file that was not cut.
        {"total \xe2\x82", "total \u00e2\u0082", false},
    };
    // Characters of 2, 3 and 4 bytes, shifted so that the limit falls at each of their inner bytes:
    // the cut character is dropped.
    for (const std::string character : {"\u00e9", "\u20ac", "\U0001F600"}) {
        for (size_t shift = 1; shift < character.size(); ++shift) {
            std::string content(16'384 - shift, 'a');
            while (content.size() < 20'000) content += character;
            cases.push_back({content, content.substr(0, 16'384 - shift), true});
        }
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string path = dir / (std::to_string(i) + ".txt");
        writeFile(path, cases[i].bytes);
        auto sample = PlainTextExtractor().extract(recordOf(path), ExtractionBudget());
        ASSERT_TRUE(sample) << i;
        EXPECT_EQ(sample->text, cases[i].text) << i;
        EXPECT_EQ(sample->truncated, cases[i].truncated) << i;
        EXPECT_EQ(sample->source, SampleSource::plainText);
        EXPECT_EQ(sample->pageCount, std::nullopt);
    }
    EXPECT_EQ(PlainTextExtractor::incompleteUTF8Tail("ab\xe2\x82"), 2u);
    EXPECT_EQ(PlainTextExtractor::incompleteUTF8Tail("ab\xe2\x82\xac"), 0u);
    EXPECT_EQ(PlainTextExtractor::incompleteUTF8Tail("ab\x82"), 0u);
}

// What the documents say is the readers' test; here, the extractor's own cut.
TEST(RichTextExtractor, LongDocumentsAreCutAtTheCharacterLimit) {
    TempDir dir;
    std::vector<std::string> paragraphs(300, std::string(99, 'w'));  // 300 × 100 characters
    writeDocx(dir / "long.docx", paragraphs);
    auto cut = RichTextExtractor().extract(recordOf(dir / "long.docx"), ExtractionBudget());
    ASSERT_TRUE(cut);
    EXPECT_EQ(characterCount(cut->text), 20'000u);
    EXPECT_TRUE(cut->truncated);
}
