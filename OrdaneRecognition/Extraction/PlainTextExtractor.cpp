#include "OrdaneRecognition/Extraction/PlainTextExtractor.hpp"

#include <algorithm>

#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Extraction/TimedExtraction.hpp"

namespace ordane {

namespace {

constexpr size_t readPiece = 64 * 1024;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes of the character a lead byte starts; 0 for a byte that cannot start one.
size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

std::optional<std::string> readPrefix(const URL& url, size_t maxBytes, const platform::Deadline& deadline) {
    FileHasher hasher;
    std::unique_ptr<platform::ReadableFile> file;
    std::string bytes;
    try {
        file = hasher.openForReading(url);
        while (bytes.size() < maxBytes) {
            if (deadline.reached()) return std::nullopt;
            const size_t want = std::min(readPiece, maxBytes - bytes.size());
            const size_t start = bytes.size();
            bytes.resize(start + want);
            const size_t got = file->read(bytes.data() + start, want);
            bytes.resize(start + got);
            if (got == 0) break;
        }
    } catch (const platform::FileSystemError&) {
        return std::nullopt;
    }
    FileHasher::closeHandle(std::move(file));
    return bytes;
}

}  // namespace

bool PlainTextExtractor::canHandle(const FileRecord& record) const {
    const std::string ext = record.ext();
    return ext == "txt" || ext == "md" || ext == "text";
}

std::optional<ContentSample> PlainTextExtractor::extract(const FileRecord& record, const ExtractionBudget& budget,
                                                         std::stop_token stop) const {
    return runWithTimeout(
        [&](const platform::Deadline& deadline) { return readText(record.url(), budget.maxPlainTextBytes, record, deadline); },
        budget.perFileTimeout, std::move(stop));
}

size_t PlainTextExtractor::incompleteUTF8Tail(std::string_view bytes) {
    for (size_t back = 1; back <= std::min<size_t>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if (isContinuation(byte)) continue;
        return sequenceLength(byte) > back ? back : 0;
    }
    return 0;
}

std::optional<ContentSample> PlainTextExtractor::readText(const URL& url, int64_t maxBytes, const FileRecord& record,
                                                          const platform::Deadline& deadline) {
    if (maxBytes <= 0) return std::nullopt;
    std::optional<std::string> bytes = readPrefix(url, static_cast<size_t>(maxBytes), deadline);
    if (!bytes || bytes->empty()) return std::nullopt;

    std::optional<std::string> text;
    if (platform::text::isValidUTF8(*bytes)) {
        text = std::move(*bytes);
    } else {
        const bool stoppedAtLimit = static_cast<int64_t>(bytes->size()) == maxBytes && record.size() > maxBytes;
        const size_t tail = stoppedAtLimit ? incompleteUTF8Tail(*bytes) : 0;
        std::string_view whole(*bytes);
        if (tail > 0 && platform::text::isValidUTF8(whole.substr(0, whole.size() - tail))) {
            text = std::string(whole.substr(0, whole.size() - tail));
        } else {
            text = platform::text::fromLatin1(whole);
        }
    }
    if (platform::text::trimming(*text, &platform::text::isWhitespaceOrNewline).empty()) return std::nullopt;

    ContentSample sample;
    sample.text = std::move(*text);
    sample.source = SampleSource::plainText;
    sample.truncated = record.size() > maxBytes;
    return sample;
}

}  // namespace ordane
