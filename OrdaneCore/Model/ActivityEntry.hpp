#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// One change made to the user's files, or the undoing of one; kept in the activity list.
struct ActivityEntry {
    struct Kind {
        struct Moved {
            static constexpr std::string_view caseName = "moved";
            URL from;
            URL to;
            Json payload() const;
            static Moved fromPayload(const Json& payload);
            bool operator==(const Moved&) const = default;
        };
        struct Trashed {
            static constexpr std::string_view caseName = "trashed";
            URL original;  // where the file was
            URL trashURL;  // where it lies in the Trash
            Json payload() const;
            static Trashed fromPayload(const Json& payload);
            bool operator==(const Trashed&) const = default;
        };
        // The `moved` entry that was undone.
        struct Undone {
            static constexpr std::string_view caseName = "undone";
            UUID originalEntryID;
            Json payload() const;
            static Undone fromPayload(const Json& payload);
            bool operator==(const Undone&) const = default;
        };
        // The `trashed` entry whose file was taken back out.
        struct RestoredFromTrash {
            static constexpr std::string_view caseName = "restoredFromTrash";
            UUID originalEntryID;
            Json payload() const;
            static RestoredFromTrash fromPayload(const Json& payload);
            bool operator==(const RestoredFromTrash&) const = default;
        };

        std::variant<Moved, Trashed, Undone, RestoredFromTrash> value;

        static Kind moved(URL from, URL to) { return {Moved{std::move(from), std::move(to)}}; }
        static Kind trashed(URL original, URL trashURL) { return {Trashed{std::move(original), std::move(trashURL)}}; }
        static Kind undone(UUID originalEntryID) { return {Undone{originalEntryID}}; }
        static Kind restoredFromTrash(UUID originalEntryID) { return {RestoredFromTrash{originalEntryID}}; }

        bool operator==(const Kind&) const = default;

        Json toJson() const;
        static Kind fromJson(const Json& json);
    };

    UUID id;
    Date date;
    Kind kind;
    int64_t sizeBytes = 0;
    bool undoable = false;
    std::optional<std::string> undoableNote;    // shown once the entry can no longer be undone
    std::optional<std::string> suggestionKind;  // DocKind raw value of the suggestion a move carried out
    // Of a `moved` entry: the folders its plan made that hold `to`, deepest first. Undoing the move
    // removes those it leaves empty.
    std::vector<URL> createdFolders = {};

    bool operator==(const ActivityEntry&) const = default;

    Json toJson() const;
    static ActivityEntry fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane

template <>
struct std::hash<ordane::ActivityEntry> {
    size_t operator()(const ordane::ActivityEntry& entry) const noexcept {
        return std::hash<ordane::UUID>{}(entry.id);
    }
};
