#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"

#include <cmath>
#include <string_view>
#include <type_traits>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

template <class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

// A similarity as a whole percentage, truncated; anything outside 0…1 is held to it.
std::string percent(double similarity) {
    if (!std::isfinite(similarity)) similarity = 0;
    double clamped = std::fmin(std::fmax(similarity, 0.0), 1.0);
    return std::to_string(static_cast<int>(clamped * 100));
}

bool isContentClaim(const EvidenceClaim& claim) {
    return std::holds_alternative<EvidenceClaim::RuleAnchor>(claim.value) ||
           std::holds_alternative<EvidenceClaim::RuleSignals>(claim.value) ||
           std::holds_alternative<EvidenceClaim::Lexical>(claim.value) ||
           std::holds_alternative<EvidenceClaim::Structural>(claim.value) ||
           std::holds_alternative<EvidenceClaim::EntityShape>(claim.value);
}

std::string capitalizedFirstCharacter(const std::string& sentence) {
    // Cut the repaired text, not the given bytes: a repaired first character may be longer.
    std::string valid = text::validUTF8(sentence);
    std::string first = text::prefix(valid, 1);
    return text::upperCased(first) + valid.substr(first.size());
}

}  // namespace

std::string ExplanationRenderer::withArticle(const std::string& noun) {
    if (noun.find('\'') != std::string::npos) return noun;
    std::u32string codePoints = text::codePoints(text::prefix(noun, 1));
    if (!codePoints.empty() && text::isNumber(codePoints.front())) return noun;
    if (!noun.empty() && std::string_view("aeiou").find(noun.front()) != std::string_view::npos) return "an " + noun;
    return "a " + noun;
}

std::string ExplanationRenderer::render(DocKind kind, const std::optional<std::string>& title,
                                        const std::vector<EvidenceClaim>& claims) {
    std::string noun = title ? *title : std::string(displayNoun(kind));
    std::string summary = "From the text inside, this looks like " + withArticle(noun) + ".";

    int contentClaims = 0;
    std::vector<std::string> reasons;
    for (const EvidenceClaim& claim : claims) {
        if (!isContentClaim(claim)) continue;
        ++contentClaims;
        if (const auto* anchor = std::get_if<EvidenceClaim::RuleAnchor>(&claim.value)) {
            reasons.push_back(anchor->note);
        } else if (const auto* signals = std::get_if<EvidenceClaim::RuleSignals>(&claim.value)) {
            if (reasons.empty() && !signals->notes.empty()) reasons.push_back(signals->notes.front());
        }
    }
    if (reasons.empty()) return summary;
    summary += " " + capitalizedFirstCharacter(reasons.front()) + ".";
    if (contentClaims >= 3) summary += " The wording, the layout, and the details inside all match.";
    return summary;
}

std::vector<std::string> ExplanationRenderer::renderClaims(const std::vector<EvidenceClaim>& claims,
                                                           const std::string& source) {
    std::vector<std::string> lines;
    for (const EvidenceClaim& claim : claims) {
        std::visit(Overloaded{
                       [&](const EvidenceClaim::RuleAnchor& c) { lines.push_back("Strong sign: " + c.note + "."); },
                       [&](const EvidenceClaim::RuleSignals& c) {
                           for (const std::string& note : c.notes) lines.push_back("Also: " + note + ".");
                       },
                       [&](const EvidenceClaim::Lexical& c) {
                           lines.push_back("The wording is a lot like other documents of this kind (" +
                                           percent(c.similarity) + "% match).");
                       },
                       [&](const EvidenceClaim::Structural&) {
                           lines.push_back("The layout fits this kind of document.");
                       },
                       [&](const EvidenceClaim::EntityShape&) {
                           lines.push_back("The names, dates, and numbers inside fit.");
                       },
                       [&](const EvidenceClaim::Filename& c) { lines.push_back("And " + c.note + "."); },
                       [&](const EvidenceClaim::Metadata& c) { lines.push_back(c.note); },
                       [&](const EvidenceClaim::FolderSimilarity& c) {
                           lines.push_back("It reads a lot like the files you already keep in " + c.folderName + " (" +
                                           percent(c.similarity) + "% match).");
                       },
                       [&](const EvidenceClaim::FilingHistory& c) {
                           lines.push_back("You've filed your last " + std::to_string(c.acceptCount) +
                                           " like this in " + c.folderName + ".");
                       },
                       [&](const EvidenceClaim::Family& c) {
                           lines.push_back(std::to_string(c.memberCount) +
                                           " files read like versions of the same document.");
                       },
                   },
                   claim.value);
    }
    lines.push_back("All of this happened on your computer using " + source + ". Nothing was uploaded anywhere.");
    return lines;
}

}  // namespace ordane
