// The classifier's adjustments by recognition insights and cloud syncing.
#include <array>
#include <string_view>

#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Regex.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

// A name that would land anywhere but beside the file is no rename.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string result;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result += separator;
        result += pieces[i];
    }
    return result;
}

// One shared text per kind, so a finding's kind costs no text of its own.
const FindingText& kindText(DocKind kind) {
    static const auto texts = [] {
        std::array<FindingText, EnumCases<DocKind>::cases.size()> made;
        for (size_t i = 0; i < made.size(); ++i) made[i] = FindingText(EnumCases<DocKind>::cases[i].second);
        return made;
    }();
    for (size_t i = 0; i < texts.size(); ++i) {
        if (EnumCases<DocKind>::cases[i].first == kind) return texts[i];
    }
    return texts.back();  // not reached: every kind is a case
}

}  // namespace

std::optional<Finding> Classifier::recognitionFinding(const FileRecord& record, const ContentInsight* insight) const {
    if (!insight || insight->tier != ConfidenceTier::confident || !insight->suggestedFolder) return std::nullopt;
    const URL& folder = *insight->suggestedFolder;
    std::string name = record.url().lastPathComponent();
    std::string recognizedAs = insight->title ? *insight->title : std::string(displayNoun(insight->kind));
    Finding finding{UUID::random(),
                    record,
                    FindingCategory::organizeSuggestion,
                    Recommendation::organize,
                    "I can put this in " + documentsRelativeLabel(folder) +
                        ". It just gets moved, never deleted, and you can undo it.",
                    record.path() + " → " + path::appending(folder.path(), name) + "\nRecognized as: " + recognizedAs,
                    folder.appendingPathComponent(name),
                    std::nullopt,
                    kindText(insight->kind)};
    return finding;
}

std::string Classifier::documentsRelativeLabel(const URL& folder) const {
    const std::string& documents = folders_.documents.path();
    std::string folderPath = folder.standardized().path();
    // Relative only when it is Documents or lies below it: "DocumentsOld" is a folder of its own.
    if (!path::isSameOrInside(folderPath, documents)) return folder.lastPathComponent();
    std::vector<std::string> pieces;
    size_t start = documents.size();
    while (start < folderPath.size()) {
        size_t slash = folderPath.find('/', start);
        if (slash == std::string::npos) slash = folderPath.size();
        if (slash > start) pieces.push_back(folderPath.substr(start, slash - start));
        start = slash + 1;
    }
    if (pieces.empty()) return "Documents";
    return "Documents → " + joined(pieces, " → ");
}

std::optional<Finding> Classifier::screenshotRename(const FileRecord& record, const ContentInsight* insight) const {
    if (!insight || !insight->suggestedName || !isPlainFileName(*insight->suggestedName)) return std::nullopt;
    const std::string& newName = *insight->suggestedName;
    static const platform::text::Regex trailingDate(R"( \(20\d{2}-\d{2}-\d{2}\)$)");

    std::string topic = path::stem(newName);
    static constexpr std::string_view marker = "Screenshot - ";
    if (size_t at = topic.find(marker); at != std::string::npos) topic = topic.substr(at + marker.size());
    if (auto date = trailingDate.firstMatch(topic)) topic.erase(date->begin, date->end - date->begin);

    std::optional<FindingText> kind;
    if (insight->kind != DocKind::unknown) kind = kindText(insight->kind);
    return Finding{UUID::random(),
                   record,
                   FindingCategory::screenshotNaming,
                   Recommendation::organize,
                   "I read the text in this screenshot. Looks like it's about \"" + topic +
                       "\". I can rename it so you can find it later. The picture itself doesn't change.",
                   record.url().lastPathComponent() + " → " + newName,
                   record.url().deletingLastPathComponent().appendingPathComponent(newName),
                   std::nullopt,
                   kind};
}

Finding Classifier::cloudWarning(Finding finding) {
    if (!finding.record.cloudProvider()) return finding;
    if (finding.recommendation != Recommendation::organize &&
        finding.recommendation != Recommendation::probablySafeToRemove) {
        return finding;
    }
    finding.reason += " Heads up, this folder syncs with " + std::string(displayName(*finding.record.cloudProvider())) +
                      ". Anything that happens here also happens on your other devices.";
    finding.recommendation = Recommendation::review;
    finding.recognitionKind.reset();  // the recognition note sets it again when an insight applies
    return finding;
}

Finding Classifier::recognitionNote(Finding finding, const ContentInsight* insight) {
    if (!insight || insight->tier == ConfidenceTier::unknown) return finding;
    if (insight->tier == ConfidenceTier::confident) {
        finding.reason += " " + ExplanationRenderer::render(insight->kind, insight->title, insight->provenance);
    }
    if (isSensitive(insight->kind) && finding.recommendation == Recommendation::probablySafeToRemove) {
        std::string_view noun = displayNoun(insight->kind);
        finding.reason += " Since this looks like " + std::string(indefiniteArticle(noun)) + " " + std::string(noun) +
                          ", I'll just point it out. I won't suggest removing it.";
        finding.recommendation = Recommendation::review;
    }
    std::string source = insight->analyzerID == "rules-v1" ? "the text inside the file" : insight->analyzerID;
    std::string evidence = joined(ExplanationRenderer::renderClaims(insight->provenance, source), "\n");
    std::string detail = finding.detail ? *finding.detail + "\n" + evidence : evidence;
    finding.detail = detail.empty() ? std::nullopt : std::optional<FindingText>(detail);
    finding.recognitionKind = kindText(insight->kind);
    return finding;
}

}  // namespace ordane
