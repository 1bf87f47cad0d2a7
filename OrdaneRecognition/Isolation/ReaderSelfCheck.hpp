#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "OrdaneRecognition/Isolation/ReaderProtocol.hpp"

namespace ordane {

// Tiny documents of every kind a reader serves (text PDF, picture, scanned page, RTF, Word, plain
// text), which each reader reads after confining itself and before it says it is ready. A reader
// whose confinement or libraries keep it from reading one of them is not used, so such a mismatch
// never makes the user's files look unreadable.
class ReaderSelfCheck {
public:
    struct Sample {
        std::string extractor;  // a name of TextExtractors::named
        std::string fileName;
        std::string expected;  // text the sample must hold; empty: any text (recognised from pixels)
    };
    static const std::vector<Sample>& samples();

    // A private folder holding the samples, removed with the value. Throws std::system_error.
    class Folder {
    public:
        Folder();
        ~Folder();
        Folder(const Folder&) = delete;
        Folder& operator=(const Folder&) = delete;
        const std::string& path() const { return path_; }

    private:
        std::string path_;
    };

    // Reads every sample in `folder` through `read`; nothing when each gave what it should, else
    // which one did not (a `read` that throws did not).
    using Read = std::function<readerProtocol::Reply(const readerProtocol::Request&)>;
    static std::optional<std::string> run(const std::string& folder, const Read& read);
};

}  // namespace ordane
