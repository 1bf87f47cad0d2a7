#include "OrdaneRecognition/Learning/DestinationPredictor.hpp"

#include <algorithm>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;
namespace text = platform::text;

namespace {

std::optional<std::string> standardFolderName(DocKind kind) {
    switch (kind) {
        case DocKind::resume: return "Resumes";
        case DocKind::taxDocument: return "Taxes";
        case DocKind::bankStatement: return "Statements";
        case DocKind::invoiceReceipt: return "Receipts";
        case DocKind::medical: return "Medical";
        case DocKind::legalContract: return "Legal";
        case DocKind::ticketItinerary: return "Travel";
        case DocKind::idCertificate: return "Important";
        default: return std::nullopt;
    }
}

bool filesByYear(DocKind kind) { return kind == DocKind::taxDocument || kind == DocKind::invoiceReceipt; }

// The first four characters of the title when they are all numeric, else none.
std::optional<std::string> leadingYear(const std::optional<std::string>& title) {
    if (!title) return std::nullopt;
    std::string year = text::prefix(*title, 4);
    if (text::characterCount(year) != 4) return std::nullopt;
    for (char32_t c : text::codePoints(year)) {
        if (!text::isNumber(c)) return std::nullopt;
    }
    return year;
}

}  // namespace

std::optional<DestinationPredictor::Prediction> DestinationPredictor::predict(
    const ContentInsight& insight, const FileRecord& record, const std::optional<SparseVector>& vector) const {
    if (insight.tier != ConfidenceTier::confident) return std::nullopt;
    if (!isInScope(record)) return std::nullopt;
    if (vector) {
        if (auto match = bestCentroidMatch(*vector)) {
            std::string name = displayName(match->first.path);
            return Prediction{URL::fileURL(match->first.path, true), EvidenceClaim::folderSimilarity(name, match->second),
                              "It reads a lot like the files you already keep in " + name + "."};
        }
    }
    if (auto row = bestPrior(insight.kind)) {
        std::string name = displayName(row->destinationPath);
        return Prediction{URL::fileURL(row->destinationPath, true), EvidenceClaim::filingHistory(row->acceptCount, name),
                          "You've filed your last " + std::to_string(row->acceptCount) + " like this in " + name + "."};
    }
    if (auto folder = standardFolder(insight)) {
        return Prediction{*folder, EvidenceClaim::metadata("suggested a standard spot"),
                          "I can put it in " + displayName(folder->path()) +
                              ". It just gets moved, never deleted, and you can undo it."};
    }
    return std::nullopt;
}

bool DestinationPredictor::isInScope(const FileRecord& record) const {
    if (scope) return scope->contains(record.url());
    std::string file = record.url().standardized().path();
    return path::isInside(file, folders.downloads.path()) || path::isInside(file, folders.desktop.path());
}

std::optional<std::pair<FolderCentroidStore::FolderEntry, double>> DestinationPredictor::bestCentroidMatch(
    const SparseVector& vector) const {
    const float vectorNorm = SparseVector::norm(vector);
    if (!(vectorNorm > 0.0f)) return std::nullopt;
    std::vector<std::pair<const FolderCentroidStore::FolderEntry*, double>> scored;
    for (const auto& entry : centroids) {
        if (!(entry.centroidNorm > 0.0f)) continue;
        float similarity = SparseVector::dot(entry.centroid, vector) / (entry.centroidNorm * vectorNorm);
        scored.emplace_back(&entry, static_cast<double>(similarity));
    }
    if (scored.empty()) return std::nullopt;
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    const double best = scored[0].second;
    const double runnerUp = scored.size() > 1 ? scored[1].second : 0.0;
    if (best < minCentroidSimilarity || best - runnerUp < minCentroidMargin) return std::nullopt;
    if (scored[0].first->cohesion * cohesionShare > best) return std::nullopt;
    return std::pair{*scored[0].first, best};
}

std::optional<FilingPriorsStore::Row> DestinationPredictor::bestPrior(DocKind kind) const {
    const std::string_view kindText = rawValue(kind);
    const FilingPriorsStore::Row* best = nullptr;
    for (const auto& row : priors) {
        if (row.kind != kindText) continue;
        if (!row.hasHistory() || row.acceptanceRate() < minPriorAcceptance) continue;
        if (!fileSystem->exists(row.destinationPath)) continue;
        if (!best || row.acceptanceRate() > best->acceptanceRate()) best = &row;
    }
    if (!best) return std::nullopt;
    return *best;
}

std::optional<URL> DestinationPredictor::standardFolder(const ContentInsight& insight) const {
    auto name = standardFolderName(insight.kind);
    if (!name) return std::nullopt;
    URL folder = folders.documents.appendingPathComponent(*name, true);
    if (filesByYear(insight.kind)) {
        if (auto year = leadingYear(insight.title)) folder = folder.appendingPathComponent(*year, true);
    }
    return folder;
}

std::string DestinationPredictor::displayName(const std::string& folderPath) const {
    const std::string folder = path::standardized(folderPath);
    const std::string& documents = folders.documents.path();
    if (folder != documents && !path::isInside(folder, documents)) return text::validUTF8(path::lastComponent(folder));
    std::string result = "Documents";
    std::string_view rest = std::string_view(folder).substr(documents.size());
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = std::min(rest.find('/', start), rest.size());
        if (end > start) result += " \u203A " + text::validUTF8(rest.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

}  // namespace ordane
