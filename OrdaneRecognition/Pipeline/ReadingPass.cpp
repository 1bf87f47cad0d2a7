#include "OrdaneRecognition/Pipeline/ReadingPass.hpp"

#include <exception>
#include <new>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Isolation/ReaderPool.hpp"

namespace ordane {

using Outcome = FileReading::Outcome;

std::vector<FileReading> ReadingPass::run(const std::vector<FileRecord>& records,
                                          const std::function<void(int64_t, int64_t)>& progress,
                                          std::stop_token stop) const {
    const auto total = static_cast<int64_t>(records.size());
    int64_t done = 0;
    return platform::BoundedParallel::run<FileReading>(
        records.size(), width, stop, [&](size_t index) { return read(records[index], stop); },
        [&](size_t, FileReading&) {
            ++done;
            if (progress) progress(done, total);
        });
}

FileReading ReadingPass::read(const FileRecord& record, std::stop_token stop) const {
    if (stop.stop_requested()) return {};
    const auto started = std::chrono::steady_clock::now();
    FileReading result;
    try {
        if (!isUnchanged(record)) return {};
        for (const TextExtractor* extractor : chain) {
            if (!extractor->canHandle(record)) continue;
            result.sample = extractor->extract(record, budget, stop);
            if (result.sample) break;
        }
        // The file changed under the reader: what it read may belong to neither version.
        if (!isUnchanged(record)) return {};
    } catch (const CancellationError&) {
        return {};
    } catch (const ReaderFailure&) {
        // A reader that died on the file, or was killed for not answering, found it unreadable,
        // however long that took: it would do the same at the next scan.
        if (stop.stop_requested()) return {};
        result.outcome = Outcome::unreadable;
        return result;
    } catch (const std::bad_alloc&) {
        throw;  // running out of memory says nothing about the file: never remember it as unreadable
    } catch (const std::exception&) {
        // A reader that fails on damaged bytes has found the file unreadable.
        result.sample.reset();
    }
    if (!result.sample) {
        if (stop.stop_requested()) return {};  // the nothing may be the stop's doing
        const bool tookTheWholeTime = answerlessAfter && std::chrono::steady_clock::now() - started >= *answerlessAfter;
        result.outcome = tookTheWholeTime ? Outcome::timedOut : Outcome::unreadable;
        return result;
    }
    result.sample->text = platform::text::validUTF8(result.sample->text);
    if (fingerprinter) result.fingerprint = fingerprinter->fingerprint(*result.sample);
    result.outcome = Outcome::read;
    return result;
}

bool ReadingPass::isUnchanged(const FileRecord& record) const {
    try {
        const platform::FileStatus status = fileSystem->linkStatus(record.path());
        if (!status.isRegular() || status.size != record.size()) return false;
        return !record.modified() || Date::fromUnix(status.modified) == *record.modified();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace ordane
