#include "OrdaneCore/Model/ActionPlan.hpp"

#include <algorithm>

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

std::vector<PlannedAction> ActionPlan::pendingActions() const {
    std::vector<PlannedAction> result;
    std::copy_if(actions.begin(), actions.end(), std::back_inserter(result),
                 [](const PlannedAction& action) { return action.state.isPending(); });
    return result;
}

size_t ActionPlan::moves() const {
    return static_cast<size_t>(
        std::count_if(actions.begin(), actions.end(), [](const PlannedAction& action) { return action.kind.isMove(); }));
}

size_t ActionPlan::trashes() const {
    return static_cast<size_t>(
        std::count_if(actions.begin(), actions.end(), [](const PlannedAction& action) { return action.kind.isTrash(); }));
}

int64_t ActionPlan::totalBytes() const {
    int64_t total = 0;
    for (const PlannedAction& action : actions) total = saturatingAdd(total, action.sizeBytes);
    return total;
}

Json ActionPlan::toJson() const {
    return Json{
        {"id", json::uuidValue(id)},
        {"createdAt", json::dateValue(createdAt)},
        {"actions", json::array(actions)},
    };
}

ActionPlan ActionPlan::fromJson(const Json& value) {
    return ActionPlan{
        json::uuid(json::field(value, "id")),
        json::date(json::field(value, "createdAt")),
        json::array<PlannedAction>(json::field(value, "actions")),
    };
}

}  // namespace ordane
