#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Identity/TextNormalizers.hpp"

using namespace ordane;

using Strings = std::vector<std::string>;

namespace {

struct OwnerCase {
    const char* owner;
    const char* text;
    bool isOwner;
};

void expectOwnerIn(std::initializer_list<OwnerCase> cases) {
    for (const OwnerCase& c : cases) {
        EXPECT_EQ(containsFolded(c.text, OwnerIdentity(c.owner).variants), c.isOwner) << c.owner << " in " << c.text;
    }
}

}  // namespace

TEST(OwnerIdentity, VariantsAreTheFoldedSpellingsOfFourOrMoreLetters) {
    const std::vector<std::pair<const char*, Strings>> cases = {
        {"Ann Lee", {"a lee", "alee", "ann l", "ann lee", "annl", "annlee", "lee ann", "leeann"}},
        {"  ann  LEE ", {"a lee", "alee", "ann l", "ann lee", "annl", "annlee", "lee ann", "leeann"}},
        {"Bo Li", {"b li", "bo l", "bo li", "boli", "li bo", "libo"}},  // bli and bol are too short
        {"Éva Rósa Lind-Holm",
         {"e holm", "e r l holm", "eholm", "erlholm", "eva h", "eva holm", "eva rosa lind holm", "evah", "evaholm",
          "evarosalindholm", "holm eva", "holmeva"}},
        {"José", {"jose"}},
        {"Al", {}},
        {"", {}},
        {" 42 - .", {}},
    };
    for (const auto& [name, variants] : cases) EXPECT_EQ(OwnerIdentity(name).variants, variants) << name;
    EXPECT_EQ(OwnerIdentity("  ann  LEE ").fullName, "  ann  LEE ");
    EXPECT_FALSE(containsFolded("Al 42", OwnerIdentity("Al").variants));
}

// Spaced spellings match whole words; joined ones may run words together but start and end where
// words do, as written: a capital after a lower-case letter starts a word, as in file names.
TEST(ContainsFolded, FindsTheOwnerFromTheStartOfAWord) {
    const Strings ann = OwnerIdentity("Ann Lee").variants;
    for (const char* text : {"Ann Lee", "ANN LEE\nEngineer", "A. Lee", "Ann-Lee", "Lee, Ann", "Résumé of Ann L.",
                             "Dr. Ann Lee, PhD", "ann lee2024", "Contact: Leeann", "AnnLeeResume.pdf", "AnnLee_CV",
                             "CV-LeeAnn2024", "Files: ÅnnLéeCV"}) {
        EXPECT_TRUE(containsFolded(text, ann)) << text;
    }
    for (const char* text : {"pale eyes", "Joann Lamb", "Ann Lamb", "Joann Lee", "Ann Leeds", "Dianne Leeward",
                             "JoannLeeResume", "myannlee", "Ann Leeward", "A. Leeds", "", "Ωannlee",
                             "annleeresume"}) {
        EXPECT_FALSE(containsFolded(text, ann)) << text;
    }
    EXPECT_TRUE(containsFolded("José Ruiz", OwnerIdentity("Jose Ruiz").variants));
    const Strings maria = OwnerIdentity("Maria").variants;
    EXPECT_TRUE(containsFolded("Maria Lopez", maria));
    EXPECT_FALSE(containsFolded("primaria school", maria));
    EXPECT_FALSE(containsFolded("Marias", maria));
    EXPECT_TRUE(containsFolded("Maria's CV", maria));
    // A later occurrence can still be a whole word after an earlier one that is not.
    EXPECT_TRUE(containsFolded("primaria, maria", maria));
}

// A short spelling of the owner's name must not be found at the start of someone else's name or
// of a word, nor the name itself at the end of one.
TEST(ContainsFolded, ShortSpellingsAreNotTheStartOfOtherNames) {
    expectOwnerIn({
        {"Ann Lee", "Ann Lee", true},
        {"Ann Lee", "ANN LEE", true},
        {"Ann Lee", "ann_lee_cv.pdf", true},
        {"Ann Lee", "Resume - Ann Lee.docx", true},
        {"Ann Lee", "AnnLeeResume.pdf", true},
        {"Ann Lee", "Contact: A.Lee", true},
        {"Ann Lee", "Ann L., nurse", true},
        {"Dan Smith", "DanSmithCV.pdf", true},
        {"Ann Lee", "Aleena Patel", false},
        {"Ann Lee", "Aleesha Brown", false},
        {"Ann Lee", "Leeanne Smith", false},
        {"Ann Lee", "Annliese Kraus", false},
        {"Ann Lee", "Ann Leeds", false},
        {"Ann Lee", "Joann Lee", false},
        {"Ann Lee", "annleeresume", false},
        {"Eva Ng", "Evans & Partners", false},
        {"Eva Ng", "Evan Brown", false},
        {"Dan Smith", "Danske Bank", false},
        {"Dan Smith", "Dans le cadre", false},
        {"Mark Stone", "Marks & Spencer", false},
    });
}

// Addresses, file names and CV headers write the owner initial-first, run on ("jsmith@…"); a
// given name with the surname's initial run on is another word ("Marks", "Johns"). The names
// above that merely start with a spelling stay out as well.
TEST(ContainsFolded, InitialFirstSpellingsAreTheOwnerButAnInitialRunOnAfterANameIsNot) {
    expectOwnerIn({
        {"John Smith", "JSmith_Resume.pdf", true},
        {"John Smith", "Email: jsmith@example.com", true},
        {"John Smith", "JSMITH", true},
        {"John Smith", "JohnS", true},
        {"John Smith", "John S.", true},
        {"Ann Lee", "ALee_CV.pdf", true},
        {"Ann Lee", "alee@example.com", true},
        {"Ann Lee", "Alee Brown", true},  // as "alee@…": the initial-first spelling is a word
        {"Ann McDonald", "AMcDonald", true},
        {"Jean-Luc Picard", "JL Picard", true},
        {"Jean-Luc Picard", "JLPicard", true},
        {"Jean-Luc Picard", "jlpicard@example.org", true},
        {"Dan Smith", "DSmith", true},
        {"Ann Lee", "palee@example.com", false},
        {"Eva Ng", "Evans & Partners", false},
        {"Dan Smith", "Dans le jardin", false},
        {"Mark Stone", "Marks & Spencer", false},
        {"John Smith", "Johns Hopkins", false},
        {"John Smith", "JSmithson", false},
        {"Jean-Luc Picard", "JLPicardy", false},
    });
}

TEST(TextNormalizers, FoldPhrasesAndSlugs) {
    EXPECT_EQ(foldedForMatching("Curriculum-Vitae 2024.pdf"), "curriculumvitaepdf");
    EXPECT_EQ(foldedForMatching("Ärztliche Überweisung"), "arztlicheuberweisung");
    EXPECT_EQ(foldedForMatching("2024 - 01"), "");

    EXPECT_TRUE(containsAnyPhraseFolded("My_Tax-Return (2023).pdf", {"bank statement", "tax return"}));
    EXPECT_FALSE(containsAnyPhraseFolded("Taxes 2023", {"tax return"}));
    EXPECT_FALSE(containsAnyPhraseFolded("anything", {"", " "}));
    EXPECT_EQ(removingPhrasesFolded("Final Copy of the Final Draft", {"final", "copy of"}), "thedraft");
    // Phrase by phrase: removing "ab" first leaves a new "ab" that is not removed again.
    EXPECT_EQ(removingPhrasesFolded("aabb", {"ab"}), "ab");
    EXPECT_EQ(removingPhrasesFolded("Resume", {"", "\xa9"}), "resume");
    // A stray byte must not match inside a character ("ω" is CF 89) and split it.
    EXPECT_EQ(removingPhrasesFolded("Ωmega", {"\x89"}), "\u03c9mega");
    EXPECT_FALSE(containsAnyPhraseFolded("Ωmega", {"\x89"}));

    EXPECT_EQ(normalizedPhrase("Ida Marsh-Kerr, Jr."), "ida-marsh-kerr-jr");
    EXPECT_EQ(normalizedPhrase(" - -- "), "");
    EXPECT_EQ(normalizedPhrase("Zoë  O'Brien 3rd"), "zoe-o-brien-3rd");
}
