#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"
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

    // Reads `{"version": <version>, "<member>": {<key>: <value>, ...}}` in one pass, handing each
    // entry to `add(std::string key, Json value)`. Throws DecodingError when the text is malformed,
    // the version is not exactly `version` or the member is missing (`add` may have been called).
    template <class Add>
    static void readEntries(std::string_view text, int64_t version, std::string_view member, Add&& add) {
        JsonReader reader(text);
        std::optional<int64_t> foundVersion;
        bool foundMember = false;
        reader.forEachMember([&](std::string key) {
            if (key == "version") {
                foundVersion = json::int64(reader.readValue());
            } else if (key == member) {
                foundMember = true;
                reader.forEachMember([&](std::string entryKey) { add(std::move(entryKey), reader.readValue()); });
            } else {
                reader.skipValue();
            }
        });
        reader.finish();
        requireVersionAndMember(foundVersion, version, foundMember, member);
    }

    // `{"version":<version>,"<member>":{...}}`, compact, with every entry that can be written.
    template <class Map, class Encode>
    static std::string compactText(int64_t version, std::string_view member, const Map& entries, Encode&& encode) {
        std::string out = "{\"version\":" + std::to_string(version) + ",";
        json::appendString(out, member);
        out += ":{";
        bool first = true;
        for (const auto& [key, value] : entries) {
            size_t mark = out.size();
            try {
                if (!first) out += ',';
                json::appendString(out, key);
                out += ':';
                json::appendCompact(out, encode(value));
                first = false;
            } catch (const std::exception&) {
                out.resize(mark);
            }
        }
        out += "}}";
        return out;
    }

    // `{key: encode(value)}` for every entry that can be written.
    template <class Map, class Encode>
    static Json writableObject(const Map& entries, Encode&& encode) {
        Json result = Json::object();
        std::string scratch;
        for (const auto& [key, value] : entries) {
            try {
                Json encoded = encode(value);
                scratch.clear();
                json::appendString(scratch, key);
                json::appendCompact(scratch, encoded);
                result[key] = std::move(encoded);
            } catch (const std::exception&) {
            }
        }
        return result;
    }

private:
    static void requireVersionAndMember(std::optional<int64_t> foundVersion, int64_t version, bool foundMember,
                                        std::string_view member);
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
