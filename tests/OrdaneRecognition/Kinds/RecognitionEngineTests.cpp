#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"
#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"
#include "RecognitionFixtures.hpp"

using namespace ordane;

namespace {

using K = DocKind;
using T = ConfidenceTier;

RecognitionEngine::Input input(const std::string& fileName, const std::string& text,
                               void (*features)(Fingerprint&) = nullptr) {
    RecognitionEngine::Input made;
    made.record.setURL(URL::fileURL("/home/ann/Documents/" + fileName));
    made.sample.text = text;
    made.fingerprint.structural.pageCount = 1;
    if (features) features(made.fingerprint);
    return made;
}

ContentInsight recognizeOne(const RecognitionEngine::Input& one) {
    RecognitionEngine engine{OwnerIdentity("Ann Lee"), {}};
    return engine.recognize(std::vector<RecognitionEngine::Input>{one}).at(0);
}

const std::string& anchorNote(K kind) { return KindRule::all().at(static_cast<size_t>(kind)).anchorNote; }

bool hasLexicalClaim(const ContentInsight& insight) {
    for (const EvidenceClaim& claim : insight.provenance) {
        if (std::holds_alternative<EvidenceClaim::Lexical>(claim.value)) return true;
    }
    return false;
}

}  // namespace

TEST(RecognitionEngine, EachKindsDocumentGetsItsKindTierAndTitle) {
    const std::map<K, const char*> titles{
        {K::resume, "resume"}, {K::taxDocument, "2023 tax document"}, {K::bankStatement, "Wells Fargo statement"},
        {K::invoiceReceipt, "invoice or receipt"}, {K::medical, "medical document"}, {K::legalContract, "legal document"},
        {K::letter, "letter"}, {K::recipe, "recipe"}, {K::manualGuide, "manual or guide"},
        {K::ticketItinerary, "ticket or itinerary"}, {K::idCertificate, "certificate or ID"},
    };
    std::vector<RecognitionEngine::Input> batch;
    for (const auto& document : fixtures::kindDocuments()) {
        batch.push_back(input(document.fileName, document.text, document.features));
    }
    const auto insights = RecognitionEngine{OwnerIdentity("Ann Lee"), {}}.recognize(batch);
    ASSERT_EQ(insights.size(), batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        const K kind = fixtures::kindDocuments()[i].kind;
        SCOPED_TRACE(std::string(rawValue(kind)));
        EXPECT_EQ(insights[i].url, batch[i].record.url());
        EXPECT_EQ(insights[i].kind, kind);
        EXPECT_EQ(insights[i].tier, T::confident);
        EXPECT_EQ(insights[i].title, titles.at(kind));
        EXPECT_EQ(insights[i].provenance.at(0), EvidenceClaim::ruleAnchor(kind, anchorNote(kind)));
    }
    // The same documents keep kind and tier with the fingerprints the real fingerprinter gives them.
    const Fingerprinter fingerprinter{OwnerIdentity("Ann Lee")};
    for (auto& one : batch) one.fingerprint = fingerprinter.fingerprint(one.sample);
    const auto real = RecognitionEngine{OwnerIdentity("Ann Lee"), {}}.recognize(batch);
    for (size_t i = 0; i < batch.size(); ++i) {
        EXPECT_EQ(real[i].kind, fixtures::kindDocuments()[i].kind) << batch[i].record.path();
        EXPECT_EQ(real[i].tier, T::confident) << batch[i].record.path();
    }
}

TEST(RecognitionEngine, LanguageAndLengthGates) {
    const std::string germanInvoice =
        "Rechnung / Invoice No. 2024-118\nBill to: Müller & Söhne GmbH, Hauptstraße 12, 10115 Berlin\nVielen Dank für "
        "Ihren Auftrag. Wir berechnen Ihnen die folgenden Positionen.\nZwischensumme / Subtotal: 1.140,00 €\n"
        "Umsatzsteuer 19 %: 216,60 €\nTotal: €1.356,60\nZahlbar innerhalb von 14 Tagen ohne Abzug.\nAmount due: 1.356,60 €\n";
    const ContentInsight german = recognizeOne(input("Rechnung 2024-118.pdf", germanInvoice));
    EXPECT_EQ(german.kind, K::invoiceReceipt);
    EXPECT_EQ(german.tier, T::tentative);  // as certain as an English one, but capped

    const std::string japaneseLetter =
        "Dear Tanaka-san,\n先日は弊社の展示会にお越しいただき誠にありがとうございました。来月には新しいカタログを"
        "お送りいたしますので、ぜひご覧ください。今後ともどうぞよろしくお願い申し上げます。\nSincerely,\nKenji Sato\n";
    const ContentInsight japanese = recognizeOne(input("Letter to Tanaka.txt", japaneseLetter));
    EXPECT_EQ(japanese, RecognitionEngine::undetermined(URL::fileURL("/home/ann/Documents/Letter to Tanaka.txt")));

    // Runs of white space count as one character: "Dear Ann, " + body + " Sincerely, Bo".
    for (size_t body : {95u, 96u}) {
        const std::string text = "Dear Ann,\n\n\t" + std::string(body, 'x') + "\n \n  Sincerely,\nBo";
        const ContentInsight insight = recognizeOne(input("note.txt", text));
        EXPECT_EQ(insight.kind, body == 95 ? K::unknown : K::letter) << 24 + body << " characters";
        EXPECT_EQ(insight.provenance.empty(), body == 95);
    }
}

TEST(RecognitionEngine, OwnersResumeIsTitledByNameAndKeyedOnlyWhenConfident) {
    const std::string strong =
        "Ann Lee\nann.lee@example.org\nExperience\nNurse, City Hospital 2016 – present\nNurse, Bay Clinic "
        "2012 – 2016\nEducation\nBSc Nursing, State University\nCertifications and achievements: ACLS, PALS.\n";
    auto ownResume = [](Fingerprint& f) {
        f.entities.ownerNameNearTop = true;
        f.entities.emailCount = 1;
    };
    const ContentInsight confident = recognizeOne(input("Ann Lee CV 2024.pdf", strong, ownResume));
    EXPECT_EQ(confident.tier, T::confident);
    EXPECT_EQ(confident.title, "Ann Lee's resume");
    EXPECT_EQ(confident.groupKey, "resume|ann-lee");

    const std::string weak =
        "Resume\nAnn Lee\nLooking for part-time work in the neighbourhood, weekday mornings preferred. Happy to "
        "help with gardening, dog walking and small repairs around the house.\n";
    const ContentInsight tentative =
        recognizeOne(input("notes.txt", weak, [](Fingerprint& f) { f.entities.ownerNameNearTop = true; }));
    EXPECT_EQ(tentative.kind, K::resume);
    EXPECT_EQ(tentative.tier, T::tentative);
    EXPECT_EQ(tentative.groupKey, std::nullopt);
}

// The owner's "alee" (A. Lee) begins "Aleena": her résumé is hers, not the owner's.
TEST(RecognitionEngine, AResumeOfANameBeginningLikeTheOwnersIsNotTheOwners) {
    const Fingerprinter fingerprinter{OwnerIdentity("Ann Lee")};
    auto resumeOf = [&](const std::string& name) {
        RecognitionEngine::Input one = input("CV.pdf", name + "\nExperience\nNurse, City Hospital 2016 – present\n"
                                                    "Nurse, Bay Clinic 2012 – 2016\nEducation\nBSc Nursing, State "
                                                    "University\nCertifications and achievements: ACLS, PALS.\n");
        one.fingerprint = fingerprinter.fingerprint(one.sample);
        return recognizeOne(one);
    };
    EXPECT_EQ(resumeOf("Ann Lee").title, "Ann Lee's resume");
    const ContentInsight other = resumeOf("Aleena Patel");
    EXPECT_EQ(other.kind, K::resume);
    EXPECT_EQ(other.subjectName, std::nullopt);
    EXPECT_NE(other.title, "Ann Lee's resume");
}

// Bank names count as whole words only: "purchase" does not name Chase, "totally" Ally, "cities" Citi.
TEST(RecognitionEngine, BankStatementsAreTitledByTheFirstListedBankTheyName) {
    const std::pair<const char*, const char*> cases[] = {
        {"card purchase at a totally new store in two cities", "bank statement"},
        {"Wells Fargo transfer to CHASE savings", "Chase statement"},
        {"Citibank online; citizens' discoveries", "Citibank statement"},
        {"Bank of América, N.A.", "Bank Of America statement"},
    };
    for (const auto& [text, title] : cases) {
        EXPECT_EQ(RecognitionEngine::kindPhrase(K::bankStatement, input("s.pdf", text), PreparedText::prepare(text),
                                                std::nullopt),
                  title);
    }
}

// Letters that share most of their wording form a centroid once the batch holds 24 documents.
TEST(RecognitionEngine, BatchesOf24OrMoreLearnWordingCentroids) {
    const std::string letter =
        "Dear Mr. Okafor,\nThank you for your letter about the garden committee. We meet again on the first "
        "Monday of the month and would be glad to see you there.\nBest regards,\nJune Kim\n";
    const std::string note(200, 'z');
    auto batchOf = [&](size_t size) {
        std::vector<RecognitionEngine::Input> batch;
        for (size_t i = 0; i < size; ++i) {
            const bool isLetter = i < 10;
            auto one = input("doc" + std::to_string(i) + ".txt", isLetter ? letter : note);
            std::vector<uint16_t> indices;
            if (isLetter) {
                for (uint16_t k = 1; k <= 20; ++k) indices.push_back(k);
            }
            indices.push_back(static_cast<uint16_t>(100 + 3 * i));
            indices.push_back(static_cast<uint16_t>(101 + 3 * i));
            one.fingerprint.termFrequency = SparseVector::checkedPair(indices, std::vector<float>(indices.size(), 1));
            batch.push_back(std::move(one));
        }
        return batch;
    };
    const RecognitionEngine engine{OwnerIdentity("Ann Lee"), {}};
    for (size_t size : {23u, 24u}) {
        const auto insights = engine.recognize(batchOf(size));
        ASSERT_EQ(insights.size(), size);
        for (size_t i = 0; i < size; ++i) {
            EXPECT_EQ(insights[i].url.path(), "/home/ann/Documents/doc" + std::to_string(i) + ".txt");
            EXPECT_EQ(insights[i].kind, i < 10 ? K::letter : K::unknown);
            EXPECT_EQ(hasLexicalClaim(insights[i]), size == 24 && i < 10) << size << " documents, #" << i;
        }
    }
    EXPECT_TRUE(engine.recognize({}).empty());
}

TEST(RecognitionEngine, PathologicalTextsAreRecognisedAsNothing) {
    std::string oneLine;
    while (oneLine.size() < 20'000) oneLine += "word.....12 ";
    std::string punctuation;
    while (punctuation.size() < 20'000) punctuation += "....!?;:--((**))....,,,";
    std::string mixedScripts;
    while (mixedScripts.size() < 20'000) mixedScripts += "Ωμέγα Кирилл 漢字かな عربى עברית ";
    const std::vector<std::string> texts{oneLine, std::string(10'000, '\n') + std::string(10'000, 'a'), punctuation,
                                         mixedScripts};
    std::vector<RecognitionEngine::Input> batch;
    for (const std::string& text : texts) batch.push_back(input("odd.txt", text));
    for (const ContentInsight& insight : RecognitionEngine{OwnerIdentity("Ann Lee"), {}}.recognize(batch)) {
        EXPECT_EQ(insight.kind, K::unknown);
    }
}
