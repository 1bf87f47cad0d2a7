#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

enum class DuplicateKind { exact, similarName, versionSeries, recurringSeries };

template <>
struct EnumCases<DuplicateKind> {
    static constexpr std::array<std::pair<DuplicateKind, std::string_view>, 4> cases{{
        {DuplicateKind::exact, "exact"},
        {DuplicateKind::similarName, "similarName"},
        {DuplicateKind::versionSeries, "versionSeries"},
        {DuplicateKind::recurringSeries, "recurringSeries"},
    }};
};

// Files that belong together; exactly one of them is kept. The keep index always points into the
// members: a group that would break this is refused where it is built or decoded.
class DuplicateGroup {
public:
    // Throws std::invalid_argument for no members or a keep index outside them.
    DuplicateGroup(UUID id, DuplicateKind kind, std::vector<FileRecord> members, int64_t keepIndex,
                   std::string keepReason, std::optional<std::string> sha256);

    const UUID& id() const { return id_; }
    DuplicateKind kind() const { return kind_; }
    const std::vector<FileRecord>& members() const { return members_; }
    int64_t keepIndex() const { return keepIndex_; }
    const std::string& keepReason() const { return keepReason_; }
    const std::optional<std::string>& sha256() const { return sha256_; }

    const FileRecord& keeper() const { return members_[static_cast<size_t>(keepIndex_)]; }
    // Every member but the keeper, in member order (by position, never by value).
    std::vector<FileRecord> nonKeptMembers() const;
    // Sum of the logical sizes of the non-kept members.
    int64_t reclaimableBytes() const;

    bool operator==(const DuplicateGroup&) const = default;

    Json toJson() const;
    static DuplicateGroup fromJson(const Json& json);  // throws DecodingError

private:
    UUID id_;
    DuplicateKind kind_;
    std::vector<FileRecord> members_;
    int64_t keepIndex_;
    std::string keepReason_;
    std::optional<std::string> sha256_;
};

}  // namespace ordane
