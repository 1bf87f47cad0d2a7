#include "OrdaneCore/Model/OrganizeScope.hpp"

#include <algorithm>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;
namespace text = platform::text;

namespace {

// The path with each component in NFC. Normalization never reaches across a "/", so components are
// normalized one by one; one that is not UTF-8 is no text and is compared as its bytes.
std::string comparablePath(std::string_view path) {
    if (std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(path);
    }
    std::string result;
    size_t start = 0;
    while (true) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string_view component = path.substr(start, end - start);
        result += text::isValidUTF8(component) ? text::normalizedNFC(component) : std::string(component);
        if (end == path.size()) break;
        result += '/';
        start = end + 1;
    }
    return result;
}

}  // namespace

bool OrganizeScope::contains(const URL& url) const {
    const std::string file = comparablePath(url.standardized().path());
    const std::string holder = path::parent(file);
    const std::string downloads = comparablePath(folders.downloads.path());

    if (includeDownloadsSubfolders && path::isInside(file, downloads)) return true;
    if (!includeDownloadsSubfolders && holder == downloads) return true;
    for (const URL* folder : {&folders.desktop, &folders.documents, &folders.pictures, &folders.movies, &folders.music}) {
        if (holder == comparablePath(folder->path())) return true;
    }
    return false;
}

}  // namespace ordane
