#include "OrdaneCore/Model/DuplicateGroup.hpp"

#include <stdexcept>

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

DuplicateGroup::DuplicateGroup(UUID id, DuplicateKind kind, std::vector<FileRecord> members, int64_t keepIndex,
                               std::string keepReason, std::optional<std::string> sha256)
    : id_(id),
      kind_(kind),
      members_(std::move(members)),
      keepIndex_(keepIndex),
      keepReason_(std::move(keepReason)),
      sha256_(std::move(sha256)) {
    if (members_.empty()) throw std::invalid_argument("A duplicate group needs at least one member");
    if (keepIndex_ < 0 || keepIndex_ >= static_cast<int64_t>(members_.size())) {
        throw std::invalid_argument("The keep index of a duplicate group lies outside its members");
    }
}

std::vector<FileRecord> DuplicateGroup::nonKeptMembers() const {
    std::vector<FileRecord> result;
    result.reserve(members_.size() - 1);
    for (size_t i = 0; i < members_.size(); ++i) {
        if (static_cast<int64_t>(i) != keepIndex_) result.push_back(members_[i]);
    }
    return result;
}

int64_t DuplicateGroup::reclaimableBytes() const {
    int64_t total = 0;
    for (size_t i = 0; i < members_.size(); ++i) {
        if (static_cast<int64_t>(i) != keepIndex_) total = saturatingAdd(total, members_[i].size());
    }
    return total;
}

Json DuplicateGroup::toJson() const {
    Json result = {
        {"id", json::uuidValue(id_)},
        {"kind", json::enumValue(kind_)},
        {"members", json::array(members_)},
        {"keepIndex", keepIndex_},
        {"keepReason", json::stringValue(keepReason_)},
    };
    json::setOptional(result, "sha256", sha256_, json::stringValue);
    return result;
}

DuplicateGroup DuplicateGroup::fromJson(const Json& value) {
    try {
        return DuplicateGroup(json::uuid(json::field(value, "id")),
                              json::enumeration<DuplicateKind>(json::field(value, "kind")),
                              json::array<FileRecord>(json::field(value, "members")),
                              json::int64(json::field(value, "keepIndex")),
                              json::string(json::field(value, "keepReason")),
                              json::optional<std::string>(value, "sha256", [](const Json& j) { return json::string(j); }));
    } catch (const std::invalid_argument& error) {
        throw DecodingError(error.what());
    }
}

}  // namespace ordane
