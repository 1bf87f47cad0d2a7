#include "OrdaneCore/Scan/TypeBucket.hpp"

#include <string>
#include <string_view>
#include <unordered_map>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace {

// Keys are the literals below, so the table is looked up with a view, without a copy.
const std::unordered_map<std::string_view, TypeBucket>& extensionTable() {
    static const auto* table = [] {
        auto* result = new std::unordered_map<std::string_view, TypeBucket>();
        auto add = [&](TypeBucket bucket, std::initializer_list<std::string_view> extensions) {
            for (std::string_view extension : extensions) result->emplace(extension, bucket);
        };
        add(TypeBucket::documents,
            {"pdf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "txt", "rtf", "pages", "numbers", "key", "csv", "md",
             "epub", "odt", "ods", "odp", "odg"});
        add(TypeBucket::photos, {"jpg", "jpeg", "png", "heic", "heif", "gif", "tiff", "tif", "bmp", "webp", "raw", "cr2",
                                 "nef", "svg", "psd"});
        add(TypeBucket::videos, {"mp4", "mov", "m4v", "avi", "mkv", "webm", "mpg", "mpeg", "wmv"});
        add(TypeBucket::audio, {"mp3", "m4a", "aac", "wav", "aiff", "flac", "ogg", "m4b"});
        add(TypeBucket::archives, {"zip", "tar", "gz", "tgz", "bz2", "xz", "7z", "rar"});
        add(TypeBucket::installers, {"dmg", "pkg", "mpkg", "iso", "deb", "rpm", "flatpakref", "snap", "run"});
        // An AppImage is the program itself, not something that installs one.
        add(TypeBucket::apps, {"app", "appimage"});
        return result;
    }();
    return *table;
}

// No extension in the table is longer: a longer one is "other" without a copy or a lookup.
constexpr size_t longestExtension = 10;

}  // namespace

bool isClearableInstallerExtension(std::string_view extension) {
    // Disk images (iso) are installers too, but often kept on purpose.
    for (std::string_view installer : {"dmg", "pkg", "mpkg", "deb", "rpm", "flatpakref", "snap", "run"}) {
        if (extension == installer) return true;
    }
    return false;
}

TypeBucket typeBucketForExtension(std::string_view extension) {
    // The extension rule lower-cases; a bare extension is read as the name "x.<extension>".
    // Asked of every record: the usual plain ASCII extension is lower-cased here, to the same.
    if (extension.empty()) return TypeBucket::other;  // what "x." would give
    bool plain = !extension.empty();
    for (char c : extension) plain = plain && static_cast<unsigned char>(c) < 0x80 && c != '.' && c != '/';
    std::string other;
    std::string_view lowered;
    char buffer[longestExtension];
    if (plain) {
        if (extension.size() > longestExtension) return TypeBucket::other;
        for (size_t i = 0; i < extension.size(); ++i) {
            char c = extension[i];
            buffer[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        lowered = std::string_view(buffer, extension.size());
    } else {
        other = platform::path::extension("x." + std::string(extension));
        lowered = other;
    }
    auto it = extensionTable().find(lowered);
    return it == extensionTable().end() ? TypeBucket::other : it->second;
}

std::string_view displayName(TypeBucket bucket) {
    switch (bucket) {
        case TypeBucket::documents: return "Documents";
        case TypeBucket::photos: return "Photos & images";
        case TypeBucket::videos: return "Videos";
        case TypeBucket::audio: return "Music & audio";
        case TypeBucket::archives: return "Compressed files";
        case TypeBucket::installers: return "Installers";
        case TypeBucket::apps: return "Applications";
        case TypeBucket::folders: return "Folders";
        case TypeBucket::other: return "Everything else";
    }
    return "Everything else";
}

}  // namespace ordane
