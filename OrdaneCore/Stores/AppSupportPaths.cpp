#include "OrdaneCore/Stores/AppSupportPaths.hpp"

namespace ordane {

AppSupportPaths::AppSupportPaths(const URL& home)
    : base(home.appendingPathComponent("Library/Application Support/Ordane", true)) {}

URL AppSupportPaths::activityFile() const { return base.appendingPathComponent("activity.json"); }

URL AppSupportPaths::settingsFile() const { return base.appendingPathComponent("settings.json"); }

URL AppSupportPaths::journalDirectory() const { return base.appendingPathComponent("journal", true); }

URL AppSupportPaths::analysisCacheFile() const { return base.appendingPathComponent("analysis-cache.json"); }

URL AppSupportPaths::folderCentroidsFile() const { return base.appendingPathComponent("folder-centroids.json"); }

URL AppSupportPaths::filingPriorsFile() const { return base.appendingPathComponent("filing-priors.json"); }

void AppSupportPaths::ensureDirectories(platform::FileSystem& fileSystem) const {
    fileSystem.createDirectories(base.path());
    fileSystem.createDirectories(journalDirectory().path());
}

}  // namespace ordane
