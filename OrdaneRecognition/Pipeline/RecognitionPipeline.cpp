#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "OrdaneCore/Vectors/CorpusStats.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Families/FamilyDetector.hpp"
#include "OrdaneRecognition/Families/FamilyKey.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"
#include "OrdaneRecognition/Isolation/ReaderPool.hpp"
#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"
#include "OrdaneRecognition/Learning/DestinationPredictor.hpp"
#include "OrdaneRecognition/Learning/FolderCentroidLearner.hpp"
#include "OrdaneRecognition/Pipeline/ReadingPass.hpp"

namespace ordane {

namespace {

using Input = RecognitionEngine::Input;
using Outcome = FileReading::Outcome;

bool isCandidate(const FileRecord& record) {
    return !record.isDirectory() && !record.isPackage() && !record.isCloudOnly() && !record.projectContext() &&
           TextExtractors::documentExtensions().contains(record.ext()) && record.size() >= RecognitionPipeline::minDocumentSize &&
           record.size() <= RecognitionPipeline::maxDocumentSize;
}

// Every text of an insight goes into sentences and stored files: none may carry bytes that are not UTF-8.
void repairTexts(ContentInsight& insight) {
    for (std::optional<std::string>* text :
         {&insight.title, &insight.subjectName, &insight.groupKey, &insight.suggestedName}) {
        if (*text && !platform::text::isValidUTF8(**text)) *text = platform::text::validUTF8(**text);
    }
}

// The working lists of one run, filled phase by phase.
struct Run {
    std::vector<Input> batch;  // cached inputs, then first-pass inputs, then second-pass inputs
    std::vector<ContentInsight> cachedInsights;
    std::vector<FileRecord> toRead;
    std::vector<FileRecord> scannedPDFs;
    std::vector<FileRecord> unreadable;
};

void lookUp(AnalysisCache& cache, const std::vector<FileRecord>& candidates, Run& run) {
    for (const FileRecord& record : candidates) {
        auto entry = cache.cachedEntry(record);
        if (!entry || entry->detectorVersion != AnalysisCache::currentDetectorVersion) {
            run.toRead.push_back(record);
        } else if (entry->sampleText && entry->sampleSource && entry->fingerprint) {
            ContentSample sample;
            sample.text = std::move(*entry->sampleText);
            sample.source = *entry->sampleSource;
            run.batch.push_back(Input{record, std::move(sample), std::move(*entry->fingerprint)});
        } else if (entry->insight) {
            run.cachedInsights.push_back(std::move(*entry->insight));
        } else if (!entry->sampleText && !entry->fingerprint) {
            // The pipeline found it unreadable before and it has not changed.
        } else {
            run.toRead.push_back(record);
        }
    }
}

// Adds read files to the batch; hands the others to `unread` (read again later or remembered as
// unreadable). Files not read because the run stopped go nowhere.
template <class Unread>
void collect(const std::vector<FileRecord>& records, std::vector<FileReading>& readings, Run& run, Unread unread) {
    for (size_t i = 0; i < records.size(); ++i) {
        FileReading& reading = readings[i];
        if (reading.outcome == Outcome::read) {
            run.batch.push_back(Input{records[i], std::move(*reading.sample), std::move(*reading.fingerprint)});
        } else if (reading.outcome == Outcome::unreadable || reading.outcome == Outcome::timedOut) {
            unread(records[i]);
        }
    }
}

void markFamilies(const std::vector<Input>& batch, const std::unordered_map<URL, SparseVector>& vectors,
                  std::vector<ContentInsight>& insights) {
    std::vector<FamilyDetector::Member> members;
    members.reserve(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        auto vector = vectors.find(batch[i].record.url());
        members.push_back(FamilyDetector::Member{batch[i].record, batch[i].fingerprint,
                                                 vector == vectors.end() ? SparseVector{} : vector->second,
                                                 insights[i]});
    }
    for (const FamilyDetector::Family& family : FamilyDetector{}.detect(members)) {
        std::vector<URL> urls;
        for (int64_t index : family.indices) urls.push_back(batch[static_cast<size_t>(index)].record.url());
        const std::string key = FamilyKey::make(urls, family.isRecurringSeries);
        for (int64_t index : family.indices) {
            ContentInsight& insight = insights[static_cast<size_t>(index)];
            insight.groupKey = key;
            insight.provenance.push_back(EvidenceClaim::family(static_cast<int64_t>(family.indices.size())));
        }
    }
}

void predictDestinations(const std::vector<FileRecord>& records, const RecognitionPipeline::DestinationContext& context,
                         const std::vector<Input>& batch, const std::unordered_map<URL, SparseVector>& vectors,
                         std::vector<ContentInsight>& insights) {
    FolderCentroidLearner learner{context.folders, context.quarantinedURLs};
    DestinationPredictor predictor{context.folders, learner.learn(records, vectors, *context.centroidStore),
                                   context.priors, context.scope};
    for (size_t i = 0; i < batch.size(); ++i) {
        auto vector = vectors.find(batch[i].record.url());
        auto prediction = predictor.predict(
            insights[i], batch[i].record,
            vector == vectors.end() ? std::nullopt : std::optional<SparseVector>(vector->second));
        if (!prediction) continue;
        insights[i].suggestedFolder = prediction->folder;
        insights[i].provenance.push_back(std::move(prediction->claim));
    }
}

AnalysisCache::Entry entryFor(const FileRecord& record) {
    AnalysisCache::Entry entry;
    entry.size = record.size();
    entry.mtime = *record.modified();
    entry.lastSeen = Date::now();
    return entry;
}

}  // namespace

RecognitionPipeline::Readers RecognitionPipeline::Readers::standard() {
    auto named = TextExtractors::named;
    return Readers{{named("pdfText"), named("richText"), named("plainText")},
                   {named("scannedPDF")},
                   named("imageText"),
                   platform::FileSystem::real(),
                   platform::ReaderProcess::besideThisProgram(readerProgramName)};
}

RecognitionPipeline::RecognitionPipeline(OwnerIdentity owner, AnalysisCache& cache)
    : owner(std::move(owner)), cache(&cache) {}

void RecognitionPipeline::sortNewestFirst(std::vector<FileRecord>& records) {
    std::stable_sort(records.begin(), records.end(), [](const FileRecord& a, const FileRecord& b) {
        if (!b.modified()) return a.modified().has_value();
        return a.modified() && *a.modified() > *b.modified();
    });
}

std::vector<ContentInsight> RecognitionPipeline::run(const std::vector<FileRecord>& records,
                                                     const std::optional<DestinationContext>& context,
                                                     const Progress& progress, std::stop_token stop) const {
    std::vector<FileRecord> candidates;
    std::copy_if(records.begin(), records.end(), std::back_inserter(candidates), isCandidate);
    // Started lazily: a run answered from the cache starts no reader process.
    std::optional<ReaderPool> readerPool;
    if (!readers.readerProgram.empty()) readerPool.emplace(readers.readerProgram);
    ReaderPool* pool = readerPool ? &*readerPool : nullptr;
    auto chain = [&](const std::vector<const TextExtractor*>& extractors) {
        return pool ? pool->isolating(extractors) : extractors;
    };
    std::vector<ContentInsight> screenshotInsights = screenshotPhase(records, pool, progress, stop);
    if (candidates.empty()) return screenshotInsights;

    Run run;
    lookUp(*cache, candidates, run);

    const Fingerprinter fingerprinter{owner};
    ReadingPass pass{chain(readers.documents), documentWidth, budget, &fingerprinter, std::nullopt, readers.fileSystem};
    auto firstReadings = pass.run(run.toRead, progress, stop);
    collect(run.toRead, firstReadings, run, [&](const FileRecord& record) {
        bool scanned = record.ext() == "pdf" && record.size() <= maxScannedPDFSize;
        (scanned ? run.scannedPDFs : run.unreadable).push_back(record);
    });

    // PDFs beyond the newest 50 are neither read nor remembered: they come back at the next scan.
    sortNewestFirst(run.scannedPDFs);
    if (run.scannedPDFs.size() > maxScannedPDFsPerRun) run.scannedPDFs.resize(maxScannedPDFsPerRun);
    pass.chain = chain(readers.scannedPDFs);
    pass.width = scannedPDFWidth;
    auto secondReadings = pass.run(run.scannedPDFs, progress, stop);
    collect(run.scannedPDFs, secondReadings, run, [&](const FileRecord& record) { run.unreadable.push_back(record); });

    std::vector<SparseVector> termVectors;
    termVectors.reserve(run.batch.size());
    for (const Input& input : run.batch) termVectors.push_back(input.fingerprint.termFrequency);
    const CorpusStats stats = CorpusStats::build(termVectors);
    std::unordered_map<URL, SparseVector> vectors;
    for (const Input& input : run.batch) {
        vectors[input.record.url()] = SparseVector::weighted(stats.idf, input.fingerprint.termFrequency);
    }
    std::vector<ContentInsight> insights = RecognitionEngine{owner, FusionConstants{}}.recognize(run.batch);
    markFamilies(run.batch, vectors, insights);
    if (context) predictDestinations(records, *context, run.batch, vectors, insights);

    for (size_t i = 0; i < run.batch.size(); ++i) {
        repairTexts(insights[i]);
        const Input& input = run.batch[i];
        if (!input.record.modified()) continue;
        AnalysisCache::Entry entry = entryFor(input.record);
        entry.fingerprint = input.fingerprint;
        if (!isSensitive(insights[i].kind)) {
            entry.sampleText = input.sample.text;
            entry.sampleSource = input.sample.source;
        }
        entry.insight = insights[i];
        cache->store(std::move(entry), input.record.url());
    }
    for (const FileRecord& record : run.unreadable) {
        if (record.modified()) cache->store(entryFor(record), record.url());
    }
    cache->saveIfDirty();

    insights.insert(insights.end(), std::make_move_iterator(run.cachedInsights.begin()),
                    std::make_move_iterator(run.cachedInsights.end()));
    insights.insert(insights.end(), std::make_move_iterator(screenshotInsights.begin()),
                    std::make_move_iterator(screenshotInsights.end()));
    return insights;
}

}  // namespace ordane
