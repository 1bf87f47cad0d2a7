#include "OrdaneRecognition/Extraction/RichTextExtractor.hpp"

#include <algorithm>

#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/RichText/DocxReader.hpp"
#include "OrdanePlatform/RichText/RtfReader.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"

namespace ordane {

namespace {

std::optional<std::string> readRtf(const URL& url, const platform::Deadline& deadline) {
    FileHasher hasher;
    platform::RtfReader reader;
    std::unique_ptr<platform::ReadableFile> file;
    try {
        file = hasher.openForReading(url);
        std::string chunk(1 << 20, '\0');
        for (;;) {
            if (deadline.reached()) return std::nullopt;
            const size_t got = file->read(chunk.data(), chunk.size());
            if (got == 0) break;
            reader.feed(std::string_view(chunk.data(), got));
        }
    } catch (const platform::FileSystemError&) {
        return std::nullopt;
    }
    FileHasher::closeHandle(std::move(file));
    return reader.finish();
}

}  // namespace

bool RichTextExtractor::canHandle(const FileRecord& record) const {
    const std::string ext = record.ext();
    return ext == "rtf" || ext == "docx";
}

std::optional<ContentSample> RichTextExtractor::extract(const FileRecord& record, const ExtractionBudget& budget,
                                                        std::stop_token stop) const {
    return runWithTimeout(
        [&](const platform::Deadline& deadline) { return readText(record.url(), budget.maxCharacters, deadline); },
        budget.perFileTimeout, std::move(stop));
}

std::optional<ContentSample> RichTextExtractor::readText(const URL& url, int64_t maxCharacters,
                                                         const platform::Deadline& deadline) {
    const std::string ext = url.pathExtension();
    std::optional<std::string> text;
    if (ext == "rtf") {
        text = readRtf(url, deadline);
    } else if (ext == "docx") {
        text = platform::DocxReader::readText(url.path(), deadline);
    }
    if (!text || deadline.reached()) return std::nullopt;
    *text = platform::text::validUTF8(*text);
    if (platform::text::trimming(*text, &platform::text::isWhitespaceOrNewline).empty()) return std::nullopt;

    const size_t limit = static_cast<size_t>(std::max<int64_t>(maxCharacters, 0));
    ContentSample sample;
    sample.source = SampleSource::plainText;
    sample.truncated = platform::text::characterCount(*text) > limit;
    sample.text = sample.truncated ? platform::text::prefix(*text, limit) : std::move(*text);
    return sample;
}

}  // namespace ordane
