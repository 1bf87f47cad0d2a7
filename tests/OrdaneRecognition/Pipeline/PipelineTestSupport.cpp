#include "PipelineTestSupport.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "OrdaneCore/Foundation/CancellationError.hpp"

namespace ordane::testing {

std::optional<ContentSample> ScriptedExtractor::extract(const FileRecord& record, const ExtractionBudget&,
                                                        std::stop_token stop) const {
    ++calls_;
    {
        std::lock_guard lock(mutex_);
        paths_.push_back(record.url.path());
    }
    if (onCall) onCall(record);
    checkCancellation(stop);
    std::ifstream in(record.url.path(), std::ios::binary);
    std::string head(marker_.size() + 4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (!head.starts_with(marker_)) return std::nullopt;
    ContentSample sample;
    sample.text = head.substr(marker_.size(), head.find('\0') == std::string::npos ? std::string::npos
                                                                                : head.find('\0') - marker_.size());
    sample.source = source_;
    return sample;
}

std::vector<std::string> ScriptedExtractor::readPaths() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> sorted = paths_;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

}  // namespace ordane::testing
