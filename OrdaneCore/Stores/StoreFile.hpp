#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <algorithm>
#include <map>
#include <mutex>
#include <stop_token>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/JsonReader.hpp"
#include "OrdaneCore/Foundation/JsonWriter.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
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
    auto load(Decode&& decode) {
        std::optional<std::invoke_result_t<Decode, std::string_view>> result;
        std::optional<std::string> text = read();
        if (!text) return result;
        try {
            result.emplace(decode(std::string_view(*text)));
        } catch (const std::exception&) {
            noteUnusable();
        }
        return result;
    }

    // Reads the entries of the file as readEntries does, while the file is still being read, a
    // piece of `chunkSize` bytes at a time, so the whole text is never held. Returns whether all
    // were read; on false (a missing or unusable file) drop whatever was added.
    template <class Decode, class Add>
    bool loadEntries(int64_t version, std::string_view member, Decode&& decode, Add&& add,
                     size_t chunkSize = readChunkSize) {
        std::unique_ptr<platform::ReadableFile> file = openToRead();
        if (!file) return false;
        try {
            readEntries([&file](char* buffer, size_t count) { return file->read(buffer, count); }, chunkSize, version,
                        member, decode, add);
            return true;
        } catch (const std::exception&) {
            noteUnusable();
            return false;
        }
    }

    // Creates the parent folder (failure ignored), moves an unusable file aside first when the
    // policy asks for it, then writes atomically. Returns whether the file was written.
    bool write(const std::string& contents);
    // The same, with the contents handed over in pieces (an exception from `produce` writes nothing).
    // The file it replaces is let go on a thread of its own: for a large file, that is much of
    // the time of a save.
    bool writePieces(const platform::FileSystem::Pieces& produce);
    // Adds the bytes at the end of the file, durably (creating folder and file when missing),
    // after moving an unusable file aside when the policy asks for it. Returns whether they were added.
    bool append(std::string_view bytes);
    // Removes the file, or moves it aside when it was found unusable under `setAside`. Returns
    // whether nothing is left at its name.
    bool remove();
    // The file was read, but what it holds can't all be used.
    void markUnusable() { noteUnusable(); }

    // Reads `{"version": <version>, "<member>": {<key>: <value>, ...}}`. Throws DecodingError when
    // the text is malformed, the version is not exactly `version` or the member is missing.
    // The calling thread only finds where each entry lies; meanwhile `decode(JsonReader&)` reads
    // the keys and values found so far strictly, for large files on several threads, so it must
    // not touch shared state; `add(std::string key, T value)` gets the results one at a time, in
    // file order, on any of those threads (all done on return). Entries may be added before a
    // fault further on is found: on a throw, drop what was added.
    template <class Decode, class Add>
    static void readEntries(std::string_view text, int64_t version, std::string_view member, Decode&& decode,
                            Add&& add) {
        readEntries(
            [&text](char* buffer, size_t count) {
                count = std::min(count, text.size());
                std::copy_n(text.data(), count, buffer);
                text.remove_prefix(count);
                return count;
            },
            // A small text arrives as one piece: one job, and no buffer larger than itself.
            std::min(readChunkSize, text.size() + 1), version, member, decode, add);
    }

    // A text read in order: `read(buffer, count)` fills up to `count` bytes, 0 at the end.
    using Source = std::function<size_t(char* buffer, size_t count)>;

    // The same from a text handed over in pieces, read `chunkSize` bytes at a time (an entry
    // longer than that is read whole all the same).
    template <class Decode, class Add>
    static void readEntries(const Source& source, size_t chunkSize, int64_t version, std::string_view member,
                            Decode&& decode, Add&& add) {
        using Value = decltype(decode(std::declval<JsonReader&>()));
        struct Batch {
            Spans spans;
            std::shared_ptr<const char> text;  // the piece the spans lie in
            std::vector<std::pair<std::string, Value>> values;
        };
        forEachSpanBatch(source, chunkSize, version, member,
                         [&](Spans& spans, std::shared_ptr<const char>& text, const Submit& submit) {
            auto batch = std::make_shared<Batch>();
            batch->spans = std::move(spans);
            batch->text = std::move(text);
            submit(
                [batch, &decode] {
                    batch->values.reserve(batch->spans.size());
                    for (const auto& [keyText, valueText] : batch->spans) {
                        std::string key = readKey(keyText);
                        JsonReader reader(valueText);
                        Value value = decode(reader);
                        reader.finish();
                        batch->values.emplace_back(std::move(key), std::move(value));
                    }
                    // Decoded, the piece can take more of the file.
                    Spans().swap(batch->spans);
                    batch->text.reset();
                },
                [batch, &add] {
                    for (auto& [key, value] : batch->values) add(std::move(key), std::move(value));
                });
        });
    }

    // `{"version":<version>,"<member>":{...}}`, compact, with every entry that can be written;
    // `append(std::string& out, const Value& value)` appends one value or throws. Large maps are
    // encoded in chunks on several threads; `append` must only read.
    template <class Map, class Append>
    static std::string compactText(int64_t version, std::string_view member, const Map& entries, Append&& append) {
        std::string out;
        compactPieces(version, member, entries, append, [&out](std::string_view piece) { out.append(piece); });
        return out;
    }

    // Writes the compactText of the entries as it is encoded, so the whole text is never held at
    // once. Returns whether the file was written, as `write` does.
    template <class Map, class Append>
    bool writeCompact(int64_t version, std::string_view member, const Map& entries, Append&& append) {
        return writePieces([&](const std::function<void(std::string_view)>& write) {
            compactPieces(version, member, entries, append, write);
        });
    }

    // The compact text in order, piece by piece, to `sink(std::string_view)`, which is called
    // from the encoding threads, one call at a time.
    template <class Map, class Append, class Sink>
    static void compactPieces(int64_t version, std::string_view member, const Map& entries, Append&& append,
                              Sink&& sink) {
        std::vector<const typename Map::value_type*> items;
        items.reserve(entries.size());
        for (const auto& item : entries) items.push_back(&item);
        sink(header(version, member));
        bool first = true;
        inTurns(
            items.size(), writeChunkSize,
            [&items, &append](size_t begin, size_t end, std::string& piece) {
                // Each member goes in as "," + key + ":" + value; the very first comma is dropped.
                std::string keyText;  // for keys that are not kept as one text
                for (size_t k = begin; k < end; ++k) {
                    const auto& [key, value] = *items[k];
                    const size_t mark = piece.size();
                    try {
                        piece += ',';
                        if constexpr (std::is_convertible_v<decltype(key), std::string_view>) {
                            json::appendString(piece, key);
                        } else {
                            json::appendString(piece, key.text(keyText));
                        }
                        piece += ':';
                        append(piece, value);
                    } catch (const std::exception&) {
                        piece.resize(mark);
                    }
                }
            },
            [&sink, &first](const std::string& piece) {
                if (piece.empty()) return;
                sink(std::string_view(piece).substr(first ? 1 : 0));
                first = false;
            });
        sink("}}");
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

    // Pieces of a megabyte: a few hundred entries of an analysis cache each, and the few pieces
    // in flight add little to what a load holds.
    static constexpr size_t readChunkSize = size_t{1} << 20;

private:
    // Written pieces are smaller: the few pieces in flight are all the memory a save adds.
    static constexpr size_t writeChunkSize = 64;

    // Runs `encode(begin, end, std::string& piece)` over chunks of `count` items on several
    // threads and hands each piece to `consume(const std::string&)` in chunk order, one call at a
    // time, on one of the encoding threads. Encoding runs only a few pieces ahead of consuming, so
    // however slowly `consume` goes, few pieces are ever held.
    static void inTurns(size_t count, size_t chunkSize,
                        const std::function<void(size_t, size_t, std::string&)>& encode,
                        const std::function<void(const std::string&)>& consume);
    // Creates the folder, sets an unusable file aside when due, then runs the atomic write.
    bool writeWith(const std::function<void(const std::string&)>& writeAtomically);
    static size_t parallelWidth();
    static std::string header(int64_t version, std::string_view member);
    // The key's and the value's text of each entry.
    using Spans = std::vector<std::pair<std::string_view, std::string_view>>;
    // Hands on a job: `work()` runs on a worker thread, then `finish()`, after the finish of
    // every job handed on before it and never alongside another.
    using Submit = std::function<void(std::function<void()> work, std::function<void()> finish)>;
    // Reads the text from `source` piece by piece, finds the key and value text of each entry of
    // `member` on the calling thread and hands those of each piece, with the piece, to
    // `batch(Spans&, text, submit)`, then checks the version. The piece goes back to be filled
    // again once `text` is let go. Jobs submitted run alongside; all are finished (or the first
    // fault thrown) on return.
    static void forEachSpanBatch(
        const Source& source, size_t chunkSize, int64_t version, std::string_view member,
        const std::function<void(Spans&, std::shared_ptr<const char>&, const Submit&)>& batch);
    // The text of a JSON string, strictly.
    static std::string readKey(std::string_view text);
    // The file's text; nullopt when missing, and when unreadable (noted as unusable).
    std::optional<std::string> read();
    // The file opened to be read; null when missing, and when unreadable (noted as unusable).
    std::unique_ptr<platform::ReadableFile> openToRead();
    void noteUnusable();
    // Renames the unusable file to a free "<name>.unreadable-<UTC time>" name beside it.
    bool moveUnusableAside();

    URL fileURL_;
    std::shared_ptr<platform::FileSystem> fileSystem_;
    Unusable policy_;
    bool setAsidePending_ = false;
    // Closes the replaced file, the last hold on it, so the system frees it there (joined on
    // destruction and before the next one starts).
    std::jthread releaser_;
};

}  // namespace ordane
