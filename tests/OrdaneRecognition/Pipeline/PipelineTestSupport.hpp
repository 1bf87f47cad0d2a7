#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "OrdaneRecognition/Extraction/TextExtractor.hpp"

namespace ordane::testing {

// A reader standing in for a real extractor: it takes files by extension and gives the text after
// `marker` when the file begins with it, nothing otherwise. Counts and lists its calls; `onCall`
// runs first in each call (to stop a run, wait, or change the file).
class ScriptedExtractor : public TextExtractor {
public:
    ScriptedExtractor(std::set<std::string> extensions, std::string marker, SampleSource source)
        : extensions_(std::move(extensions)), marker_(std::move(marker)), source_(source) {}

    bool canHandle(const FileRecord& record) const override { return extensions_.contains(record.ext()); }
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop) const override;

    std::function<void(const FileRecord&)> onCall;
    int calls() const { return calls_; }
    std::vector<std::string> readPaths() const;

private:
    std::set<std::string> extensions_;
    std::string marker_;
    SampleSource source_;
    mutable std::atomic<int> calls_{0};
    mutable std::mutex mutex_;
    mutable std::vector<std::string> paths_;
};

// Passes every call to another extractor and counts the calls.
class CountingExtractor : public TextExtractor {
public:
    explicit CountingExtractor(const TextExtractor* inner) : inner_(inner) {}
    bool canHandle(const FileRecord& record) const override { return inner_->canHandle(record); }
    std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                         std::stop_token stop) const override {
        ++calls_;
        return inner_->extract(record, budget, stop);
    }
    int calls() const { return calls_; }

private:
    const TextExtractor* inner_;
    mutable std::atomic<int> calls_{0};
};

}  // namespace ordane::testing
