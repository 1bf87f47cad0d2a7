#pragma once

#include <cstdint>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/PlannedAction.hpp"

namespace ordane {

// An approved set of actions, in the order they were added. Its id names its journal file.
struct ActionPlan {
    UUID id;
    Date createdAt;
    std::vector<PlannedAction> actions;

    std::vector<PlannedAction> pendingActions() const;
    // Counted whatever the actions' states.
    size_t moves() const;
    size_t trashes() const;
    int64_t totalBytes() const;

    bool operator==(const ActionPlan&) const = default;

    Json toJson() const;
    static ActionPlan fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane
