#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/DocKind.hpp"

namespace ordane {

class JsonReader;

// One piece of evidence behind a recognition verdict. Similarities run from 0 to 1.
struct EvidenceClaim {
    // The anchor of that kind's rule matched; `note` is the rule's anchor note.
    struct RuleAnchor {
        static constexpr std::string_view caseName = "ruleAnchor";
        DocKind kind = DocKind::unknown;
        std::string note;
        Json payload() const;
        static RuleAnchor fromPayload(const Json& payload);
        static RuleAnchor readPayload(JsonReader& reader);
        bool operator==(const RuleAnchor&) const = default;
    };
    // Signals of that kind's rule matched, one note per matching signal.
    struct RuleSignals {
        static constexpr std::string_view caseName = "ruleSignals";
        DocKind kind = DocKind::unknown;
        std::vector<std::string> notes;
        Json payload() const;
        static RuleSignals fromPayload(const Json& payload);
        static RuleSignals readPayload(JsonReader& reader);
        bool operator==(const RuleSignals&) const = default;
    };
    // The wording resembles other documents of the kind.
    struct Lexical {
        static constexpr std::string_view caseName = "lexical";
        double similarity = 0;
        Json payload() const;
        static Lexical fromPayload(const Json& payload);
        static Lexical readPayload(JsonReader& reader);
        bool operator==(const Lexical&) const = default;
    };
    // Layout features that fit the kind.
    struct Structural {
        static constexpr std::string_view caseName = "structural";
        std::vector<std::string> notes;
        Json payload() const;
        static Structural fromPayload(const Json& payload);
        static Structural readPayload(JsonReader& reader);
        bool operator==(const Structural&) const = default;
    };
    // Names, dates and numbers that fit the kind.
    struct EntityShape {
        static constexpr std::string_view caseName = "entityShape";
        std::vector<std::string> notes;
        Json payload() const;
        static EntityShape fromPayload(const Json& payload);
        static EntityShape readPayload(JsonReader& reader);
        bool operator==(const EntityShape&) const = default;
    };
    struct Filename {
        static constexpr std::string_view caseName = "filename";
        std::string note;
        Json payload() const;
        static Filename fromPayload(const Json& payload);
        static Filename readPayload(JsonReader& reader);
        bool operator==(const Filename&) const = default;
    };
    struct Metadata {
        static constexpr std::string_view caseName = "metadata";
        std::string note;
        Json payload() const;
        static Metadata fromPayload(const Json& payload);
        static Metadata readPayload(JsonReader& reader);
        bool operator==(const Metadata&) const = default;
    };
    // The document reads like the files of an existing folder.
    struct FolderSimilarity {
        static constexpr std::string_view caseName = "folderSimilarity";
        std::string folderName;
        double similarity = 0;
        Json payload() const;
        static FolderSimilarity fromPayload(const Json& payload);
        static FolderSimilarity readPayload(JsonReader& reader);
        bool operator==(const FolderSimilarity&) const = default;
    };
    // The user has already filed that many documents of the kind into that folder.
    struct FilingHistory {
        static constexpr std::string_view caseName = "filingHistory";
        int64_t acceptCount = 0;
        std::string folderName;
        Json payload() const;
        static FilingHistory fromPayload(const Json& payload);
        static FilingHistory readPayload(JsonReader& reader);
        bool operator==(const FilingHistory&) const = default;
    };
    // The file belongs to a family of that many related files.
    struct Family {
        static constexpr std::string_view caseName = "family";
        int64_t memberCount = 0;
        Json payload() const;
        static Family fromPayload(const Json& payload);
        static Family readPayload(JsonReader& reader);
        bool operator==(const Family&) const = default;
    };

    std::variant<RuleAnchor, RuleSignals, Lexical, Structural, EntityShape, Filename, Metadata, FolderSimilarity,
                 FilingHistory, Family>
        value;

    static EvidenceClaim ruleAnchor(DocKind kind, std::string note) { return {RuleAnchor{kind, std::move(note)}}; }
    static EvidenceClaim ruleSignals(DocKind kind, std::vector<std::string> notes) {
        return {RuleSignals{kind, std::move(notes)}};
    }
    static EvidenceClaim lexical(double similarity) { return {Lexical{similarity}}; }
    static EvidenceClaim structural(std::vector<std::string> notes) { return {Structural{std::move(notes)}}; }
    static EvidenceClaim entityShape(std::vector<std::string> notes) { return {EntityShape{std::move(notes)}}; }
    static EvidenceClaim filename(std::string note) { return {Filename{std::move(note)}}; }
    static EvidenceClaim metadata(std::string note) { return {Metadata{std::move(note)}}; }
    static EvidenceClaim folderSimilarity(std::string folderName, double similarity) {
        return {FolderSimilarity{std::move(folderName), similarity}};
    }
    static EvidenceClaim filingHistory(int64_t acceptCount, std::string folderName) {
        return {FilingHistory{acceptCount, std::move(folderName)}};
    }
    static EvidenceClaim family(int64_t memberCount) { return {Family{memberCount}}; }

    bool operator==(const EvidenceClaim&) const = default;

    Json toJson() const;
    static EvidenceClaim fromJson(const Json& json);  // throws DecodingError
    // The same reading straight from the text, without a tree.
    static EvidenceClaim read(JsonReader& reader);
};

}  // namespace ordane
