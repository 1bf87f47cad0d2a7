#pragma once

#include <QBoxLayout>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Foundation/UUID.hpp"

namespace ordane {

// The widgets of a list, one per item id, kept across refreshes so a refresh rebuilds only what
// changed and a widget keeps its own state (an open list, a typed name) while its item stays.
template <class W>
class KeyedWidgets {
public:
    // Shows one widget per item i < count, in item order, from position `offset` of `layout`. A
    // widget of the last call is kept when `reusable(i, widget)` holds; otherwise `make(i, old)`
    // builds a new one (`old` is the widget it replaces, or null). Widgets no item kept are deleted.
    template <class IdOf, class Reusable, class Make>
    void sync(QBoxLayout* layout, int offset, size_t count, IdOf idOf, Reusable reusable, Make make) {
        std::vector<UUID> order;
        order.reserve(count);
        std::unordered_map<UUID, W*> kept;
        bool created = false;
        for (size_t i = 0; i < count; ++i) {
            const UUID id = idOf(i);
            auto found = byId_.find(id);
            W* widget = nullptr;
            if (found != byId_.end() && reusable(i, *found->second)) {
                widget = found->second;
                byId_.erase(found);
            } else {
                widget = make(i, found != byId_.end() ? found->second : nullptr);
                created = true;
            }
            kept.emplace(id, widget);
            order.push_back(id);
        }
        for (auto& [id, widget] : byId_) delete widget;
        byId_ = std::move(kept);
        if (!created && order == order_) return;
        // Shown one by one in a visible list, each widget would lay the whole list out again. (A held
        // layout does not notice a child deleted: the deletions above come first.)
        layout->setEnabled(false);
        for (size_t i = 0; i < order.size(); ++i) {
            W* widget = byId_.at(order[i]);
            layout->removeWidget(widget);
            layout->insertWidget(offset + int(i), widget);
            widget->show();
        }
        layout->setEnabled(true);
        layout->invalidate();
        order_ = std::move(order);
    }

    const std::unordered_map<UUID, W*>& byId() const { return byId_; }
    // The ids shown, in list order.
    const std::vector<UUID>& order() const { return order_; }

private:
    std::unordered_map<UUID, W*> byId_;
    std::vector<UUID> order_;
};

}  // namespace ordane
