#include "OrdaneCore/Stores/StoreFile.hpp"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <new>
#include <thread>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using platform::FileSystemError;

StoreFile::StoreFile(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem, Unusable policy)
    : fileURL_(std::move(fileURL)), fileSystem_(std::move(fileSystem)), policy_(policy) {}

std::optional<std::string> StoreFile::read() {
    try {
        return fileSystem_->readFile(fileURL_.path());
    } catch (const FileSystemError& error) {
        if (error.errorNumber() != ENOENT) noteUnusable();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        // Far larger than any file this store writes.
        noteUnusable();
        return std::nullopt;
    }
}

void StoreFile::noteUnusable() {
    if (policy_ == Unusable::setAside) setAsidePending_ = true;
}

bool StoreFile::write(const std::string& contents) {
    return writeWith([&](const std::string& path) { fileSystem_->writeFileAtomically(path, contents); });
}

bool StoreFile::writePieces(const platform::FileSystem::Pieces& produce) {
    return writeWith([&](const std::string& path) { fileSystem_->writePiecesAtomically(path, produce); });
}

bool StoreFile::writeWith(const std::function<void(const std::string&)>& writeAtomically) {
    const std::string& path = fileURL_.path();
    try {
        fileSystem_->createDirectories(platform::path::parent(path));
    } catch (const FileSystemError&) {
        // The write below reports whether the folder is really missing.
    }
    if (setAsidePending_) {
        if (!moveUnusableAside()) return false;
        setAsidePending_ = false;
    }
    try {
        writeAtomically(path);
        return true;
    } catch (const FileSystemError&) {
        return false;
    }
}

bool StoreFile::moveUnusableAside() {
    const std::string& path = fileURL_.path();
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    std::string aside = path + ".unreadable-" + stamp;
    for (int attempt = 1; attempt < 100; ++attempt) {
        std::string candidate = attempt == 1 ? aside : aside + "-" + std::to_string(attempt);
        try {
            fileSystem_->moveNoReplace(path, candidate);
            return true;
        } catch (const FileSystemError& error) {
            // Gone in the meantime: nothing left to protect.
            if (error.errorNumber() == ENOENT) return true;
            if (error.errorNumber() != EEXIST) return false;
        }
    }
    return false;
}

size_t StoreFile::parallelWidth() { return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8); }

std::string StoreFile::header(int64_t version, std::string_view member) {
    std::string out = "{\"version\":" + std::to_string(version) + ",";
    json::appendString(out, member);
    out += ":{";
    return out;
}

std::vector<std::pair<std::string, std::string_view>> StoreFile::entrySpans(std::string_view text, int64_t version,
                                                                            std::string_view member) {
    JsonReader reader(text);
    std::optional<int64_t> foundVersion;
    std::optional<std::vector<std::pair<std::string, std::string_view>>> spans;
    reader.forEachMember([&](std::string key) {
        if (key == "version") {
            foundVersion = json::int64(reader.readValue());
        } else if (key == member) {
            spans.emplace();
            reader.forEachMember([&](std::string entryKey) { spans->emplace_back(std::move(entryKey), reader.skimValue()); });
        } else {
            reader.skipValue();
        }
    });
    reader.finish();
    if (!foundVersion) throw DecodingError("Missing key \"version\"");
    if (*foundVersion != version) throw DecodingError("Unsupported file version " + std::to_string(*foundVersion));
    if (!spans) throw DecodingError("Missing key \"" + std::string(member) + "\"");
    return std::move(*spans);
}

}  // namespace ordane
