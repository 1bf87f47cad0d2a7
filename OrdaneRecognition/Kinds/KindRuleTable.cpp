#include "OrdaneRecognition/Kinds/KindRule.hpp"

// The rule table: every phrase, pattern, region, minimum, weight and note of the kind rules, in
// kind order. Phrases are lower-case as phrase matchers search folded text; patterns are ICU
// syntax matched against the raw text, case-sensitively unless they say "(?i)" or are built with
// the case-insensitive option.
//
// In lists marked `wordStart` a phrase must begin where a word begins, where a bare substring would
// find a short word inside unrelated ones ("irs" in "first", "hereby" in "thereby", "gate" in
// "navigate", "state of" in "estate of"). It may still end inside a word, so plurals and endings
// ("seats", "flights", "resumes") count as they do in the other lists ("deposits", "patients").

namespace ordane {

namespace {

using Region = TextRegion;
using platform::text::RegexOptions;

constexpr auto wordStart = TextMatcher::Boundary::wordStart;
constexpr auto none = RegexOptions::none;
constexpr auto caseInsensitive = RegexOptions::caseInsensitive;

std::vector<KindRule> makeTable() {
    using M = TextMatcher;
    return {
        {DocKind::resume, 2.0,
         {M::regex(R"((?im)^\s{0,4}((work|professional|employment)\s)?(experience|history)\s*$)", none, Region::all, 1),
          M::regex(R"((?im)^\s{0,4}(education|skills)\s*$)", none, Region::all, 2),
          M::phrases({"curriculum vitae", "résumé", "resume"}, Region::head, 1, wordStart)},
         "it has resume-style sections like Experience and Education",
         {{M::regex(R"(\b(19|20)\d{2}\s*[–—-]\s*((19|20)\d{2}|present|current)\b)", caseInsensitive, Region::all, 2),
           1.0, "it lists employment-style date ranges"},
          {M::phrases({"objective", "summary", "certifications", "references", "proficient", "achievements"},
                      Region::all, 2),
           0.5, "it uses typical resume wording"}}},

        {DocKind::taxDocument, 2.5,
         {M::regex(R"(\b(W-?2|W-?4|1099(-[A-Z]{1,4})?|1040(-[A-Z]{2})?|1098(-[TE])?|W-?9|K-1|5498)\b)", none,
                   Region::all, 1),
          M::phrases({"tax year", "tax return", "tax statement"}, Region::all, 1)},
         "it contains the exact wording tax forms use",
         {{M::phrases({"wages", "federal income tax", "adjusted gross income", "taxable income",
                       "internal revenue service", "irs", "employer identification number", "filing status",
                       "standard deduction", "withheld"},
                      Region::all, 2, wordStart),
           1.5, "it mentions tax-return terms"},
          {M::regex(R"(\b\d{3}-\d{2}-\d{4}\b|\bXXX-XX-\d{4}\b|\*{3}-\*{2}-\d{4})", none, Region::all, 1), 1.0,
           "it has a Social-Security-style number"}}},

        {DocKind::bankStatement, 2.0,
         {M::phrases({"statement period", "beginning balance", "ending balance", "account summary",
                      "available balance", "transaction history", "previous balance", "new balance"},
                     Region::all, 2)},
         "it has statement-style account summaries",
         {{M::regex(R"((?i)(account|acct)[^\n]{0,20}([x*•]{2,}|ending in )\d{4})", none, Region::all, 1), 1.0,
           "it shows a partly-hidden account number"},
          {M::phrases({"deposit", "withdrawal", "interest earned", "overdraft", "direct deposit", "checking",
                       "savings"},
                      Region::all, 2),
           1.0, "it lists banking transactions"}}},

        {DocKind::invoiceReceipt, 2.2,
         {M::regex(R"((?i)\binvoice\s*(#|no\.?|num(ber)?))", none, Region::all, 1),
          M::regex(R"((?im)^\s*(invoice|receipt|tax invoice)\s*$)", none, Region::head, 1),
          M::phrases({"receipt"}, Region::head, 1)},
         "it's laid out like an invoice or receipt",
         {{M::phrases({"amount due", "total due", "balance due", "subtotal", "payment terms", "bill to", "ship to",
                       "purchase order", "unit price", "order number", "thank you for your purchase"},
                      Region::all, 2),
           1.5, "it uses billing terms like amount due"},
          {M::regex(R"((?i)\btotal[: ]*[$€£]\s?\d)", none, Region::all, 1), 1.0, "it has a total amount"}}},

        {DocKind::medical, 2.0,
         {M::phrases({"patient", "diagnosis", "physician", "prescription", "dosage", "lab results", "test results",
                      "referral", "immunization", "explanation of benefits", "claim number", "copay",
                      "deductible", "member id"},
                     Region::all, 2)},
         "it uses medical terms like patient and diagnosis",
         {{M::regex(R"((?i)\b(dob|date of birth)\b)", none, Region::all, 1), 1.5, "it records a date of birth"},
          {M::phrases({"clinic", "hospital", "medical center", "pharmacy", "health plan"}, Region::all, 1), 1.0,
           "it names a medical facility"}}},

        {DocKind::legalContract, 2.0,
         {M::phrases({"hereinafter", "whereas", "hereby", "indemnify", "indemnification", "governing law",
                      "witnesseth", "notary public", "power of attorney", "terms and conditions"},
                     Region::all, 2, wordStart),
          M::regex(R"((?i)\bthis (agreement|contract|lease) is (made|entered into)\b)", none, Region::all, 1)},
         "it's written in contract language",
         {{M::regex(R"((?im)^\s*(article|section)\s+[\dIVX]+[.:])", none, Region::all, 2), 1.5,
           "it's divided into numbered articles or sections"},
          {M::regex(R"((?im)^(signature|signed|by)[:_ ]|/s/)", none, Region::all, 1), 1.0,
           "it has a signature block"}}},

        {DocKind::letter, 2.0,
         {M::regex(R"((?im)^\s*dear\s+[A-Z][^,\n]{1,40},)", none, Region::all, 1)},
         "it opens like a letter",
         {{M::regex(R"((?im)^\s*(sincerely|best regards|kind regards|regards|yours truly|respectfully|warmly),?\s*$)",
                    none, Region::all, 1),
           2.0, "it closes like a letter"}}},

        {DocKind::recipe, 2.0,
         {M::regex(R"((?im)^\s*ingredients\s*:?\s*$)", none, Region::all, 1)},
         "it has an ingredients list",
         {{M::phrases({"preheat", "bake", "simmer", "sauté", "saute", "stir", "whisk", "servings", "prep time",
                       "cook time"},
                      Region::all, 2),
           1.0, "it reads like cooking directions"}}},

        {DocKind::manualGuide, 2.0,
         {M::phrases({"user guide", "user manual", "owner's manual", "instruction manual", "quick start",
                      "getting started", "troubleshooting", "safety instructions", "warranty information"},
                     Region::all, 1)},
         "it presents itself as a manual or guide",
         {{M::regex(R"((?m)\.{5,}\s*\d+\s*$)", none, Region::all, 3), 1.5, "it has a table of contents"},
          {M::regex(R"((?i)\bmodel\s*(no\.?|number|#))", none, Region::all, 1), 1.0,
           "it references a model number"}}},

        {DocKind::ticketItinerary, 2.0,
         {M::phrases({"boarding pass", "itinerary", "confirmation number", "confirmation code", "reservation",
                      "e-ticket", "check-in", "departure", "arrival"},
                     Region::all, 2)},
         "it reads like travel or event paperwork",
         {{M::regex(R"(\b[A-Z]{3}\s*(→|–|-|to)\s*[A-Z]{3}\b)", none, Region::all, 1), 1.5,
           "it shows a route between airports"},
          {M::phrases({"gate", "seat", "flight", "terminal", "cabin", "fare", "admit one", "admission", "venue",
                       "doors open"},
                      Region::all, 2, wordStart),
           1.0, "it lists seat or gate details"}}},

        {DocKind::idCertificate, 2.5,
         {M::regex(R"((?i)\bcertificate of\b|\bthis is to certify\b|\bhas been awarded\b|\bbirth certificate\b|\bmarriage (certificate|license)\b|\bdriver'?s? license\b|\bpassport\b)",
                   none, Region::all, 1)},
         "it's worded like a certificate or ID",
         {{M::phrases({"issued by", "date of issue", "expiration date", "expires", "registrar", "state of",
                       "county of", "certificate number", "license number"},
                      Region::all, 2, wordStart),
           1.5, "it carries issue and expiry details"}}},
    };
}

}  // namespace

const std::vector<KindRule>& KindRule::all() {
    static const std::vector<KindRule> table = makeTable();
    return table;
}

}  // namespace ordane
