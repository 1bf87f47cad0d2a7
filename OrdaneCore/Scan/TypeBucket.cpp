#include "OrdaneCore/Scan/TypeBucket.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace {

// No extension in the table is longer: a longer one is "other" without a copy or a lookup.
constexpr size_t longestExtension = 10;

// Asked of every record a walk makes: the lower-cased extension's bytes as one number index a
// small table (open addressing), instead of hashing text. Two numbers hold the longest.
struct PackedExtension {
    uint64_t head = 0;  // bytes 0-7, zero-padded (extensions hold no NUL)
    uint64_t tail = 0;  // bytes 8-9
    bool operator==(const PackedExtension&) const = default;
};

// ASCII A-Z in each byte lowered at once: bit 7 of a byte plus 0x3f is set from "A" up, plus
// 0x25 from past "Z" (bytes below 0x80 never carry into the next); the difference is 0x20.
uint64_t lowerASCII(uint64_t bytes) {
    constexpr uint64_t ones = 0x0101010101010101ULL;
    uint64_t letters = ((bytes + 0x3f * ones) ^ (bytes + 0x25 * ones)) & (0x80 * ones);
    return bytes | letters >> 2;
}

// `extension`: ASCII, at most longestExtension bytes; lower-cased as it is packed.
PackedExtension packedLowered(std::string_view extension) {
    char bytes[16] = {};
    std::memcpy(bytes, extension.data(), extension.size());
    PackedExtension result;
    std::memcpy(&result.head, bytes, 8);
    std::memcpy(&result.tail, bytes + 8, 8);
    return PackedExtension{lowerASCII(result.head), lowerASCII(result.tail)};
}

class ExtensionTable {
public:
    ExtensionTable() {
        add(TypeBucket::documents, {"pdf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "txt", "rtf", "pages", "numbers",
                                    "key", "csv", "md", "epub", "odt", "ods", "odp", "odg"});
        add(TypeBucket::photos, {"jpg", "jpeg", "png", "heic", "heif", "gif", "tiff", "tif", "bmp", "webp", "raw", "cr2",
                                 "nef", "svg", "psd"});
        add(TypeBucket::videos, {"mp4", "mov", "m4v", "avi", "mkv", "webm", "mpg", "mpeg", "wmv"});
        add(TypeBucket::audio, {"mp3", "m4a", "aac", "wav", "aiff", "flac", "ogg", "m4b"});
        add(TypeBucket::archives, {"zip", "tar", "gz", "tgz", "bz2", "xz", "7z", "rar"});
        add(TypeBucket::installers, {"dmg", "pkg", "mpkg", "iso", "deb", "rpm", "flatpakref", "snap", "run"});
        // An AppImage is the program itself, not something that installs one.
        add(TypeBucket::apps, {"app", "appimage"});
    }

    // `extension`: ASCII, at most longestExtension bytes, in any letter case.
    TypeBucket find(std::string_view extension) const {
        PackedExtension key = packedLowered(extension);
        for (size_t slot = slotOf(key);; slot = (slot + 1) % slots_.size()) {
            if (!slots_[slot].used) return TypeBucket::other;
            if (slots_[slot].key == key) return slots_[slot].bucket;
        }
    }

private:
    struct Slot {
        PackedExtension key;
        TypeBucket bucket = TypeBucket::other;
        bool used = false;
    };

    static size_t slotOf(const PackedExtension& key) {
        return static_cast<size_t>(((key.head ^ key.tail * 31) * 0x9E3779B97F4A7C15ULL) >> 57);  // 128 slots
    }

    void add(TypeBucket bucket, std::initializer_list<std::string_view> extensions) {
        for (std::string_view extension : extensions) {
            PackedExtension key = packedLowered(extension);
            size_t slot = slotOf(key);
            while (slots_[slot].used) slot = (slot + 1) % slots_.size();
            slots_[slot] = Slot{key, bucket, true};
        }
    }

    std::array<Slot, 128> slots_{};  // about half used: probes stay short
};

const ExtensionTable& extensionTable() {
    static const ExtensionTable table;
    return table;
}

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
    // The usual plain ASCII extension is lower-cased by the lookup, to the same.
    if (extension.empty()) return TypeBucket::other;  // what "x." would give
    bool plain = std::all_of(extension.begin(), extension.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '.' && c != '/'; });
    if (plain) {
        if (extension.size() > longestExtension) return TypeBucket::other;
        return extensionTable().find(extension);
    }
    std::string other = platform::path::extension("x." + std::string(extension));
    if (other.empty() || other.size() > longestExtension) return TypeBucket::other;
    return extensionTable().find(other);
}

TypeBucket typeBucketForName(std::string_view name) {
    // Asked of every record a walk makes: only an extension as short as the table's can be in it,
    // so only the name's end is read, and a plain ASCII one is looked up without a lower-cased
    // copy (the lookup lowers it the same way).
    auto extension = platform::path::nameExtension(name, longestExtension);
    if (extension.written.empty()) return TypeBucket::other;
    // After a name's last dot, no "." or "/": plain when ASCII.
    if (extension.ascii) return extensionTable().find(extension.written);
    return typeBucketForExtension(platform::path::extension(name));
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
