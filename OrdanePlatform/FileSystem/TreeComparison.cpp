#include "OrdanePlatform/FileSystem/TreeComparison.hpp"

#include <vector>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

template <typename T, typename Read>
std::optional<T> readIfPossible(Read read) {
    try {
        return read();
    } catch (const FileSystemError&) {
        return std::nullopt;
    }
}

class Comparison {
public:
    Comparison(FileSystem& fs, const ContentHash& hash) : fs_(fs), hash_(hash) {}

    std::optional<std::string> difference(const std::string& first, const std::string& second,
                                          const std::string& relative) {
        auto a = readIfPossible<FileStatus>([&] { return fs_.linkStatus(first); });
        auto b = readIfPossible<FileStatus>([&] { return fs_.linkStatus(second); });
        if (!a || !b || a->type != b->type) return relative;
        switch (a->type) {
            case FileStatus::Type::regular:
                if (a->size != b->size || hash_(first) != hash_(second)) return relative;
                return std::nullopt;
            case FileStatus::Type::symlink: {
                auto targetA = readIfPossible<std::string>([&] { return fs_.readLink(first); });
                auto targetB = readIfPossible<std::string>([&] { return fs_.readLink(second); });
                if (!targetA || targetA != targetB) return relative;
                return std::nullopt;
            }
            case FileStatus::Type::directory:
                return folderDifference(first, second, relative);
            case FileStatus::Type::other:
                return relative;  // never copied, so never the same
        }
        return relative;
    }

private:
    std::optional<std::string> folderDifference(const std::string& first, const std::string& second,
                                                const std::string& relative) {
        using Names = std::vector<std::string>;
        auto namesA = readIfPossible<Names>([&] { return fs_.listDirectory(first); });
        auto namesB = readIfPossible<Names>([&] { return fs_.listDirectory(second); });
        if (!namesA || !namesB) return relative;
        if (*namesA != *namesB) return relative;
        for (const std::string& name : *namesA) {
            std::string below = relative.empty() ? name : path::appending(relative, name);
            if (auto found = difference(path::appending(first, name), path::appending(second, name), below)) {
                return found;
            }
        }
        return std::nullopt;
    }

    FileSystem& fs_;
    const ContentHash& hash_;
};

}  // namespace

std::optional<std::string> firstTreeDifference(FileSystem& fileSystem, const std::string& first,
                                               const std::string& second, const ContentHash& contentHash) {
    return Comparison(fileSystem, contentHash).difference(first, second, "");
}

}  // namespace ordane::platform
