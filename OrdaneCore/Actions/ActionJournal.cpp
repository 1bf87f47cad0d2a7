#include "OrdaneCore/Actions/ActionJournal.hpp"

#include <algorithm>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using platform::FileSystemError;

namespace {

// Plan files keep the stored form, with every "/" written as "\/"; a "/" can only stand inside
// a string in JSON text, so no other text changes. Readers take both forms.
std::string withEscapedSlashes(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '/') out += '\\';
        out += c;
    }
    return out;
}

void removeQuietly(platform::FileSystem& fileSystem, const URL& url) {
    try {
        fileSystem.removeItem(url.path());
    } catch (const FileSystemError&) {
        // Missing already, or stays for the next start to report.
    }
}

// The plan with the actions its log recorded, in order, up to the first line that is cut short
// or can't be read: what comes after it is not trusted.
void applyLog(ActionPlan& plan, std::string_view log) {
    size_t start = 0;
    for (size_t end = log.find('\n'); end != std::string_view::npos; end = log.find('\n', start)) {
        try {
            PlannedAction action = PlannedAction::fromJson(json::parse(log.substr(start, end - start)));
            auto found = std::find_if(plan.actions.begin(), plan.actions.end(),
                                      [&](const PlannedAction& a) { return a.id == action.id; });
            if (found == plan.actions.end()) return;
            *found = std::move(action);
        } catch (const std::exception&) {
            return;
        }
        start = end + 1;
    }
}

}  // namespace

void ActionJournal::save(const ActionPlan& plan) const {
    fileSystem->createDirectories(directory.path());
    fileSystem->writeFileAtomically(fileURL(plan.id).path(), withEscapedSlashes(json::dumpPretty(plan.toJson())));
    // The file holds every action as it stands: an earlier run's log would only repeat it.
    removeQuietly(*fileSystem, logURL(plan.id));
}

void ActionJournal::record(const ActionPlan& plan, const PlannedAction& action) const {
    fileSystem->appendDurably(logURL(plan.id).path(), json::dumpCompact(action.toJson()) + "\n");
}

void ActionJournal::remove(const ActionPlan& plan) const {
    removeQuietly(*fileSystem, fileURL(plan.id));
    removeQuietly(*fileSystem, logURL(plan.id));
}

std::vector<ActionPlan> ActionJournal::loadAll() const {
    std::vector<std::string> names;
    try {
        names = fileSystem->listDirectory(directory.path());
    } catch (const FileSystemError&) {
        return {};
    }
    std::vector<ActionPlan> plans;
    for (const std::string& name : names) {
        if (platform::path::extensionAsWritten(name) != "json") continue;
        try {
            plans.push_back(ActionPlan::fromJson(json::parse(fileSystem->readFile(directory.appendingPathComponent(name).path()))));
        } catch (const std::exception&) {
            // Unreadable or damaged: passed over and left on disk for a person to look at.
            continue;
        }
        try {
            applyLog(plans.back(), fileSystem->readFile(logURL(plans.back().id).path()));
        } catch (const std::exception&) {
            // No log (nothing was done yet) or none that can be read: the plan as it was saved.
        }
    }
    std::stable_sort(plans.begin(), plans.end(),
                     [](const ActionPlan& a, const ActionPlan& b) { return a.createdAt < b.createdAt; });
    return plans;
}

URL ActionJournal::fileURL(const UUID& planID) const {
    return directory.appendingPathComponent(planID.uuidString() + ".json");
}

URL ActionJournal::logURL(const UUID& planID) const {
    return directory.appendingPathComponent(planID.uuidString() + ".log");
}

URL ActionJournal::lockFile() const { return directory.deletingLastPathComponent().appendingPathComponent("executor.lock"); }

}  // namespace ordane
