#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "OrdanePlatform/Concurrency/Deadline.hpp"

typedef struct zip zip_t;

namespace ordane::platform {

// A zip archive opened for reading with libzip.
class ZipArchive {
public:
    // Nothing when the file is missing or not a zip archive.
    static std::unique_ptr<ZipArchive> open(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The inflated bytes of one member. Nothing when there is no such member, its data is damaged
    // (libzip checks the CRC at the end), it inflates to more than `maxBytes` (however small the
    // archive says it is) or the deadline is reached between chunks.
    std::optional<std::string> readMember(const std::string& name, int64_t maxBytes, const Deadline& deadline = Deadline());

private:
    explicit ZipArchive(zip_t* archive) : archive_(archive) {}
    zip_t* archive_;
};

}  // namespace ordane::platform
