#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every matcher compares texts in one folded form: case and diacritics removed under "en_US",
// lower-cased ("José" gives "jose").
namespace ordane {

// The folded text reduced to its letters: spaces, digits and punctuation vanish
// ("Curriculum-Vitae 2024.pdf" gives "curriculumvitaepdf").
std::string foldedForMatching(std::string_view text);

// True when one of the variants (folded spellings, as OwnerIdentity makes them) occurs in the text
// as whole words. Words are as written: a capital after a lower-case letter starts one, so names
// joined to other words in file names still count ("AnnLeeResume"), but "annleeresume" does not.
// A variant with a space is looked for in the folded text, so "ann lee" is not found in
// "Joann Lee" or "Ann Leeds". One without a space is looked for in the folded letters with the
// words run together ("A. Lee" matches "alee"), so it may span several words but neither begin
// nor end inside one: "Aleena" is not "alee", "Leeanne" not "leeann". An initial that ends it after
// a whole name part must be a word of its own, so "Marks" is not "marks" of Mark Stone; one at its
// start or middle need not, so "JSmith" and "jsmith@…" are John Smith.
bool containsFolded(std::string_view text, const std::vector<std::string>& variants);

// True when the text's folded letters contain a phrase with its spaces removed. Empty phrases
// match nothing.
bool containsAnyPhraseFolded(std::string_view text, const std::vector<std::string>& phrases);

// The text's folded letters with every occurrence of each phrase (spaces removed) deleted, phrase
// by phrase in order. Empty phrases delete nothing.
std::string removingPhrasesFolded(std::string_view text, const std::vector<std::string>& phrases);

// A hyphenated slug of the folded text: runs of anything but letters and digits become one
// hyphen, none at either end ("Ida Marsh-Kerr, Jr." gives "ida-marsh-kerr-jr").
std::string normalizedPhrase(std::string_view text);

}  // namespace ordane
