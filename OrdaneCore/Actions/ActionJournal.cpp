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

}  // namespace

void ActionJournal::save(const ActionPlan& plan) const {
    fileSystem->createDirectories(directory.path());
    fileSystem->writeFileAtomically(fileURL(plan.id).path(), withEscapedSlashes(json::dumpPretty(plan.toJson())));
}

void ActionJournal::remove(const ActionPlan& plan) const {
    try {
        fileSystem->removeItem(fileURL(plan.id).path());
    } catch (const FileSystemError&) {
        // Missing already, or stays for the next start to report.
    }
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
        }
    }
    std::stable_sort(plans.begin(), plans.end(),
                     [](const ActionPlan& a, const ActionPlan& b) { return a.createdAt < b.createdAt; });
    return plans;
}

URL ActionJournal::fileURL(const UUID& planID) const {
    return directory.appendingPathComponent(planID.uuidString() + ".json");
}

URL ActionJournal::lockFile() const { return directory.deletingLastPathComponent().appendingPathComponent("executor.lock"); }

}  // namespace ordane
