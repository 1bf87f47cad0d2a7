#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The file behind one JSON store: read once, told apart as missing or unusable, written atomically.
// It holds no lock of its own; the store's mutex covers it. No member throws a file or codec error.
class StoreFile {
public:
    // What happens to a file that exists but cannot be used (unreadable, undecodable, other version).
    enum class Unusable {
        rebuild,   // a cache: start empty, overwrite it at the next save
        setAside,  // the user's own records: rename it aside before anything is written in its place
    };

    StoreFile(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem, Unusable policy);

    const URL& fileURL() const { return fileURL_; }

    // The decoded file, or nullopt when it is missing or can't be used. `decode` gets the whole
    // text and throws (DecodingError or any other exception) when the text is unusable.
    template <class Decode>
    auto load(Decode&& decode) -> std::optional<decltype(decode(std::string_view{}))> {
        std::optional<std::string> text = read();
        if (!text) return std::nullopt;
        try {
            return decode(std::string_view(*text));
        } catch (const std::exception&) {
            noteUnusable();
            return std::nullopt;
        }
    }

    // Creates the parent folder (failure ignored), moves an unusable file aside first when the
    // policy asks for it, then writes atomically. Returns whether the file was written.
    bool write(const std::string& contents);

    // The top-level object of a stored text when it parses and its "version" is exactly `version`;
    // throws DecodingError otherwise.
    static Json versionedObject(std::string_view text, int64_t version);

    // True when dumping cannot fail and reads back as written: every string and key valid UTF-8,
    // every number finite.
    static bool isWritable(const Json& value);

    // `{key: encode(value)}` for every entry that can be written. An entry whose key or encoded value
    // can't (a name that is not UTF-8, a NaN) is left out, so one bad entry never blocks the rest.
    template <class Map, class Encode>
    static Json writableObject(const Map& entries, Encode&& encode) {
        Json result = Json::object();
        for (const auto& [key, value] : entries) {
            if (!json::isValidUTF8(key)) continue;
            try {
                Json encoded = encode(value);
                if (isWritable(encoded)) result[key] = std::move(encoded);
            } catch (const EncodingError&) {
            }
        }
        return result;
    }

private:
    // The file's text; nullopt when missing, and when unreadable (noted as unusable).
    std::optional<std::string> read();
    void noteUnusable();
    // Renames the unusable file to a free "<name>.unreadable-<UTC time>" name beside it.
    bool moveUnusableAside();

    URL fileURL_;
    std::shared_ptr<platform::FileSystem> fileSystem_;
    Unusable policy_;
    bool setAsidePending_ = false;
};

}  // namespace ordane
