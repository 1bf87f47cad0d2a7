#include "OrdaneRecognition/Isolation/ReaderService.hpp"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Process/ReaderSandbox.hpp"
#include "OrdanePlatform/Process/WireFormat.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"

namespace ordane {

using readerProtocol::Reply;

namespace {

std::string samplesFolder(char** argv) {
    const std::string_view option = ReaderService::samplesOption;
    for (char** argument = argv + 1; *argument; ++argument) {
        if (std::string_view(*argument).starts_with(option)) return *argument + option.size();
    }
    return {};
}

}  // namespace

Reply ReaderService::answer(const readerProtocol::Request& request) {
    const TextExtractor* extractor = TextExtractors::named(request.extractor);
    if (!extractor) return Reply{Reply::Status::failed, std::nullopt};
    try {
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
    auto read = [&](const readerProtocol::Request& request) {
        // The reader's own CPU limit, set here and not in `answer`, which a program may call itself.
        if (auto limit = readerProtocol::answerLimit(request.extractor, request.budget)) {
            try {
                platform::ReaderSandbox::limitCpuTime(std::chrono::ceil<std::chrono::seconds>(*limit));
            } catch (const std::exception&) {
                return Reply{Reply::Status::failed, std::nullopt};
            }
        }
        if (beforeReading) beforeReading(request);
        return answer(request);
    };
    readerProtocol::Greeting greeting;
    try {
        greeting.withoutFilter = platform::ReaderSandbox::enter();
        const std::string samples = samplesFolder(argv);
        if (samples.empty()) {
            greeting.failure = "no samples to check itself with";
        } else {
            greeting.failure = ReaderSelfCheck::run(samples, read);
        }
    } catch (const std::exception& error) {
        greeting.failure = error.what();
    }
    try {
        platform::frame::write(platform::ReaderProcess::channelFd, readerProtocol::encode(greeting));
        if (greeting.failure) ::_exit(1);
        platform::ReaderProcess::serve([&](std::string_view bytes) {
            readerProtocol::Request request;
            try {
                request = readerProtocol::decodeRequest(bytes);
            } catch (const platform::WireFormatError&) {
                return readerProtocol::encode(Reply{Reply::Status::failed, std::nullopt});
            }
            return readerProtocol::encode(read(request));
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ordane-reader: %s\n", error.what());
        ::_exit(1);
    }
    ::_exit(0);
}

}  // namespace ordane
