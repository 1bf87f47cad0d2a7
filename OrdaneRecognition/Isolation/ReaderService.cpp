#include "OrdaneRecognition/Isolation/ReaderService.hpp"

#include <unistd.h>

#include <cstdio>
#include <exception>

#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Process/ReaderSandbox.hpp"
#include "OrdanePlatform/Process/WireFormat.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"

namespace ordane {

using readerProtocol::Reply;

Reply ReaderService::answer(const readerProtocol::Request& request) {
    const TextExtractor* extractor = TextExtractors::named(request.extractor);
    if (!extractor) return Reply{Reply::Status::failed, std::nullopt};
    try {
        if (auto limit = readerProtocol::answerLimit(request.extractor, request.budget)) {
            platform::ReaderSandbox::limitCpuTime(std::chrono::ceil<std::chrono::seconds>(*limit));
        }
        std::optional<ContentSample> sample = extractor->extract(readerProtocol::recordOf(request), request.budget);
        if (!sample) return Reply{Reply::Status::nothing, std::nullopt};
        return Reply{Reply::Status::sample, std::move(sample)};
    } catch (const std::exception&) {
        // Damaged bytes, or more memory than the reader may have: this file can't be read.
        return Reply{Reply::Status::failed, std::nullopt};
    }
}

int ReaderService::main(char** argv, const BeforeReading& beforeReading) {
    platform::restartWithOneOpenMPThread(argv);
    try {
        platform::ReaderSandbox::enter();
        platform::frame::write(platform::ReaderProcess::channelFd, "ready");
        platform::ReaderProcess::serve([&](std::string_view bytes) {
            readerProtocol::Request request;
            try {
                request = readerProtocol::decodeRequest(bytes);
            } catch (const platform::WireFormatError&) {
                return readerProtocol::encode(Reply{Reply::Status::failed, std::nullopt});
            }
            if (beforeReading) beforeReading(request);
            return readerProtocol::encode(answer(request));
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ordane-reader: %s\n", error.what());
        ::_exit(1);
    }
    ::_exit(0);
}

}  // namespace ordane
