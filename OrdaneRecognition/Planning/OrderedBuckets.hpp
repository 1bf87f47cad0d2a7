#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ordane {

// Values keyed by a text, kept in the order their keys were first met, so that the planner's
// output does not depend on a hash map's iteration order.
template <class Value>
class OrderedBuckets {
public:
    // The value of the key, default-made when the key is new.
    Value& operator[](const std::string& key) {
        auto [entry, inserted] = index_.try_emplace(key, entries_.size());
        if (inserted) entries_.emplace_back(key, Value{});
        return entries_[entry->second].second;
    }
    Value* find(const std::string& key) {
        auto found = index_.find(key);
        return found == index_.end() ? nullptr : &entries_[found->second].second;
    }
    std::vector<std::pair<std::string, Value>>& entries() { return entries_; }

private:
    std::unordered_map<std::string, size_t> index_;
    std::vector<std::pair<std::string, Value>> entries_;
};

}  // namespace ordane
