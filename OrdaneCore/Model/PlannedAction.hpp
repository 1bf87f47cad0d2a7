#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// One approved change to one file: a move or a move to the Trash, with what the file looked like
// when it was approved. Only `state` changes once the action is built.
struct PlannedAction {
    struct Kind {
        // Ends with the file at `to`; a rename is a move within one folder.
        struct Move {
            static constexpr std::string_view caseName = "move";
            URL from;
            URL to;
            Json payload() const;
            static Move fromPayload(const Json& payload);
            bool operator==(const Move&) const = default;
        };
        struct Trash {
            static constexpr std::string_view caseName = "trash";
            URL url;
            Json payload() const;
            static Trash fromPayload(const Json& payload);
            bool operator==(const Trash&) const = default;
        };

        std::variant<Move, Trash> value;

        static Kind move(URL from, URL to) { return {Move{std::move(from), std::move(to)}}; }
        static Kind trash(URL url) { return {Trash{std::move(url)}}; }
        bool isMove() const { return std::holds_alternative<Move>(value); }
        bool isTrash() const { return std::holds_alternative<Trash>(value); }

        bool operator==(const Kind&) const = default;

        Json toJson() const;
        static Kind fromJson(const Json& json);
    };

    struct State {
        // Not yet attempted.
        struct Pending {
            static constexpr std::string_view caseName = "pending";
            Json payload() const;
            static Pending fromPayload(const Json& payload);
            bool operator==(const Pending&) const = default;
        };
        // Carried out; where the file is now.
        struct Done {
            static constexpr std::string_view caseName = "done";
            URL resultURL;
            Json payload() const;
            static Done fromPayload(const Json& payload);
            bool operator==(const Done&) const = default;
        };
        // Attempted and failed; the message shown to the user.
        struct Failed {
            static constexpr std::string_view caseName = "failed";
            std::string message;
            Json payload() const;
            static Failed fromPayload(const Json& payload);
            bool operator==(const Failed&) const = default;
        };
        // Not attempted; the reason shown to the user.
        struct Skipped {
            static constexpr std::string_view caseName = "skipped";
            std::string reason;
            Json payload() const;
            static Skipped fromPayload(const Json& payload);
            bool operator==(const Skipped&) const = default;
        };

        std::variant<Pending, Done, Failed, Skipped> value;

        static State pending() { return {Pending{}}; }
        static State done(URL resultURL) { return {Done{std::move(resultURL)}}; }
        static State failed(std::string message) { return {Failed{std::move(message)}}; }
        static State skipped(std::string reason) { return {Skipped{std::move(reason)}}; }
        bool isPending() const { return std::holds_alternative<Pending>(value); }

        bool operator==(const State&) const = default;

        Json toJson() const;
        static State fromJson(const Json& json);
    };

    UUID id;
    Kind kind;
    int64_t sizeBytes = 0;     // shown and added up
    int64_t expectedSize = 0;  // the source must still have this size when the action runs
    std::optional<Date> expectedModified;
    std::optional<std::string> cloudWarning;
    std::optional<std::string> recognitionKind;  // a DocKind raw value, credited to the filing prior
    State state;
    // Of a done move: the folders it had to make for its destination, deepest first.
    std::vector<URL> createdFolders = {};

    // The file the action works on: `from` of a move, the trashed URL of a trash.
    const URL& sourceURL() const;

    bool operator==(const PlannedAction&) const = default;

    Json toJson() const;
    static PlannedAction fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane

template <>
struct std::hash<ordane::PlannedAction> {
    size_t operator()(const ordane::PlannedAction& action) const noexcept {
        return std::hash<ordane::UUID>{}(action.id);
    }
};
