#include "OrdaneRecognition/Isolation/ReaderProtocol.hpp"

#include <algorithm>

#include "OrdanePlatform/Process/WireFormat.hpp"
#include "OrdaneRecognition/Extraction/ScannedPDFOCRExtractor.hpp"

namespace ordane::readerProtocol {

namespace {

using platform::ByteReader;
using platform::ByteWriter;
using platform::WireFormatError;

void put(ByteWriter& out, std::chrono::nanoseconds duration) { out.i64(duration.count()); }
std::chrono::nanoseconds duration(ByteReader& in) { return std::chrono::nanoseconds(in.i64()); }

void put(ByteWriter& out, const ContentSample& sample) {
    out.string(sample.text);
    out.u8(static_cast<uint8_t>(sample.source));
    out.i64(static_cast<int64_t>(sample.lines.size()));
    for (const TextLine& line : sample.lines) {
        out.string(line.string);
        for (double value : {line.x, line.y, line.width, line.height, line.confidence}) out.f64(value);
    }
    out.boolean(sample.truncated);
    out.boolean(sample.pageCount.has_value());
    if (sample.pageCount) out.i64(*sample.pageCount);
}

ContentSample sample(ByteReader& in) {
    ContentSample sample;
    sample.text = in.string();
    const uint8_t source = in.u8();
    if (source >= EnumCases<SampleSource>::cases.size()) throw WireFormatError("unknown sample source");
    sample.source = EnumCases<SampleSource>::cases[source].first;
    const int64_t lineCount = in.i64();
    if (lineCount < 0) throw WireFormatError("negative line count");
    for (int64_t i = 0; i < lineCount; ++i) {
        TextLine line;
        line.string = in.string();
        for (double* value : {&line.x, &line.y, &line.width, &line.height, &line.confidence}) *value = in.f64();
        sample.lines.push_back(std::move(line));
    }
    sample.truncated = in.boolean();
    if (in.boolean()) sample.pageCount = in.i64();
    return sample;
}

void expectEnd(const ByteReader& in) {
    if (!in.atEnd()) throw WireFormatError("bytes after the message");
}

void put(ByteWriter& out, const std::optional<std::string>& text) {
    out.boolean(text.has_value());
    if (text) out.string(*text);
}

std::optional<std::string> optionalText(ByteReader& in) {
    if (!in.boolean()) return std::nullopt;
    return in.string();
}

// Says that the bytes are a greeting, not the first bytes of a stray answer.
constexpr std::string_view greetingMark = "ordane-reader";

}  // namespace

std::string encode(const Request& request) {
    ByteWriter out;
    out.string(request.extractor);
    out.string(request.path);
    out.i64(request.size);
    out.i64(request.budget.maxPDFPages);
    out.i64(request.budget.maxCharacters);
    out.i64(request.budget.maxPlainTextBytes);
    put(out, request.budget.perFileTimeout);
    put(out, request.budget.ocrTimeout);
    return out.take();
}

Request decodeRequest(std::string_view bytes) {
    ByteReader in(bytes);
    Request request;
    request.extractor = in.string();
    request.path = in.string();
    request.size = in.i64();
    request.budget.maxPDFPages = in.i64();
    request.budget.maxCharacters = in.i64();
    request.budget.maxPlainTextBytes = in.i64();
    request.budget.perFileTimeout = duration(in);
    request.budget.ocrTimeout = duration(in);
    expectEnd(in);
    return request;
}

std::string encode(const Reply& reply) {
    ByteWriter out;
    out.u8(static_cast<uint8_t>(reply.status));
    if (reply.status == Reply::Status::sample) put(out, *reply.sample);
    return out.take();
}

Reply decodeReply(std::string_view bytes) {
    ByteReader in(bytes);
    Reply reply;
    const uint8_t status = in.u8();
    if (status > static_cast<uint8_t>(Reply::Status::failed)) throw WireFormatError("unknown reply");
    reply.status = static_cast<Reply::Status>(status);
    if (reply.status == Reply::Status::sample) reply.sample = sample(in);
    expectEnd(in);
    return reply;
}

std::string encode(const Greeting& greeting) {
    ByteWriter out;
    out.string(greetingMark);
    put(out, greeting.failure);
    put(out, greeting.withoutFilter);
    return out.take();
}

Greeting decodeGreeting(std::string_view bytes) {
    ByteReader in(bytes);
    if (in.string() != greetingMark) throw WireFormatError("not a greeting");
    Greeting greeting;
    greeting.failure = optionalText(in);
    greeting.withoutFilter = optionalText(in);
    expectEnd(in);
    return greeting;
}

std::optional<std::chrono::nanoseconds> answerLimit(std::string_view extractor, const ExtractionBudget& budget) {
    using std::chrono::nanoseconds;
    constexpr nanoseconds longest = std::chrono::hours(24 * 365 * 100);
    auto bounded = [&](nanoseconds limit) { return std::clamp(limit, nanoseconds::zero(), longest); };
    nanoseconds limit = bounded(budget.perFileTimeout);
    if (extractor == "imageText") limit = bounded(budget.ocrTimeout);
    if (extractor == "scannedPDF") limit += ScannedPDFOCRExtractor::pagesRendered * bounded(budget.ocrTimeout);
    limit += answerGrace;
    if (limit >= longest) return std::nullopt;
    return limit;
}

FileRecord recordOf(const Request& request) {
    FileRecord record;
    record.setURL(URL::fileURL(request.path)).setSize(request.size);
    return record;
}

}  // namespace ordane::readerProtocol
