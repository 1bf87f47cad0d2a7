#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Process/SampleDocuments.hpp"

namespace ordane {

namespace {

namespace samples = platform::sampleDocuments;

const std::string checkedText = "Ordane reader check";
// A picture needs only some text; a scanned page enough recognised characters to count as text.
const std::vector<std::string> pictureLines{"THE QUICK BROWN FOX", "JUMPS OVER A LAZY DOG"};
const std::vector<std::string> pageLines{"THE QUICK BROWN FOX", "JUMPS OVER A LAZY DOG", "PACK MY BOX WITH FIVE JUGS"};

std::string bytesOf(const std::string& fileName) {
    if (fileName == "check.pdf") return samples::pdfWithText(checkedText);
    if (fileName == "check.png") return samples::png(pictureLines);
    if (fileName == "scan.pdf") return samples::scannedPdf(pageLines);
    if (fileName == "check.rtf") return samples::rtf(checkedText);
    if (fileName == "check.docx") return samples::docx(checkedText);
    return checkedText + "\n";
}

platform::FileSystem& fileSystem() {
    static const std::shared_ptr<platform::FileSystem> real = platform::FileSystem::real();
    return *real;
}

void removeQuietly(const std::string& folder) {
    try {
        fileSystem().removeTree(folder);
    } catch (const std::system_error&) {
        // Left in the temporary folder, which the system empties.
    }
}

std::string temporaryRoot() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/' && ::access(runtime, W_OK) == 0) return runtime;
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    return error ? "/tmp" : temporary.string();
}

}  // namespace

const std::vector<ReaderSelfCheck::Sample>& ReaderSelfCheck::samples() {
    static const std::vector<Sample> list{
        {"pdfText", "check.pdf", checkedText}, {"imageText", "check.png", ""}, {"scannedPDF", "scan.pdf", ""},
        {"richText", "check.rtf", checkedText}, {"richText", "check.docx", checkedText},
        {"plainText", "check.txt", checkedText},
    };
    return list;
}

ReaderSelfCheck::Folder::Folder() {
    std::string name = temporaryRoot() + "/ordane-reader-check-XXXXXX";
    if (!::mkdtemp(name.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = name;
    try {
        for (const Sample& sample : samples()) {
            std::unique_ptr<platform::WritableFile> file = fileSystem().createNewFile(path_ + "/" + sample.fileName, 0600);
            const std::string bytes = bytesOf(sample.fileName);
            file->write(bytes.data(), bytes.size());
            file->close();
        }
    } catch (...) {
        removeQuietly(path_);
        throw;
    }
}

ReaderSelfCheck::Folder::~Folder() { removeQuietly(path_); }

std::optional<std::string> ReaderSelfCheck::run(const std::string& folder, const Read& read) {
    for (const Sample& sample : samples()) {
        readerProtocol::Request request;
        request.extractor = sample.extractor;
        request.path = folder + "/" + sample.fileName;
        try {
            request.size = fileSystem().status(request.path).size;
        } catch (const std::system_error&) {
            return "no sample " + request.path;
        }
        const std::string failure = "could not read its sample " + sample.fileName;
        readerProtocol::Reply reply;
        try {
            reply = read(request);
        } catch (const std::exception& error) {
            return failure + " (" + error.what() + ")";
        }
        const bool holdsText = reply.status == readerProtocol::Reply::Status::sample && reply.sample &&
                               reply.sample->text.find(sample.expected) != std::string::npos &&
                               !reply.sample->text.empty();
        if (!holdsText) return failure;
    }
    return std::nullopt;
}

}  // namespace ordane
