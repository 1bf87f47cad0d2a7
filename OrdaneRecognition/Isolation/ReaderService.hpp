#pragma once

#include <functional>
#include <string_view>

#include "OrdaneRecognition/Isolation/ReaderProtocol.hpp"

namespace ordane {

// The reader process's side: confines itself, reads the samples of its self-check, says it is
// ready (or why it can't read, and ends), then reads file after file with the extractor each
// request names until the pipeline closes the channel.
class ReaderService {
public:
    // The argument that names the folder of the self-check's samples: "--samples=<folder>".
    static constexpr std::string_view samplesOption = "--samples=";

    // Called with each request before it is read. Only a test's reader program passes one.
    using BeforeReading = std::function<void(const readerProtocol::Request&)>;

    // The whole life of a reader process; returns its exit status (never returns normally
    // otherwise: the process ends with _exit, running no exit handlers).
    static int main(char** argv, const BeforeReading& beforeReading = {});

    // Reads one file as the request asks; every failure of the extractor is a `failed` reply. Sets
    // no limit on the process: `main` limits the reader's CPU time before each request.
    static readerProtocol::Reply answer(const readerProtocol::Request& request);
};

}  // namespace ordane
