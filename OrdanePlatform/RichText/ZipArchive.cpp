#include "OrdanePlatform/RichText/ZipArchive.hpp"

#include <zip.h>

namespace ordane::platform {

std::unique_ptr<ZipArchive> ZipArchive::open(const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return nullptr;
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

ZipArchive::~ZipArchive() { zip_discard(archive_); }

std::optional<std::string> ZipArchive::readMember(const std::string& name, int64_t maxBytes, const Deadline& deadline) {
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> member(zip_fopen(archive_, name.c_str(), 0), &zip_fclose);
    if (!member) return std::nullopt;
    std::string contents;
    char buffer[64 * 1024];
    for (;;) {
        if (deadline.reached()) return std::nullopt;
        const zip_int64_t count = zip_fread(member.get(), buffer, sizeof buffer);
        if (count < 0) return std::nullopt;
        if (count == 0) break;
        if (static_cast<int64_t>(contents.size()) + count > maxBytes) return std::nullopt;
        contents.append(buffer, static_cast<size_t>(count));
    }
    return contents;
}

}  // namespace ordane::platform
