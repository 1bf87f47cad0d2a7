#include "OrdaneCore/Stores/AppSupportPaths.hpp"

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace {
URL ordaneFolder(const std::string& baseDirectory) {
    return URL::fileURL(platform::path::appending(baseDirectory, "Ordane"), true);
}
}  // namespace

AppSupportPaths::AppSupportPaths(const platform::XdgDirectories& directories)
    : base(ordaneFolder(directories.dataHome)),
      configFolder(ordaneFolder(directories.configHome)),
      cacheFolder(ordaneFolder(directories.cacheHome)) {}

AppSupportPaths::AppSupportPaths(const URL& home) : AppSupportPaths(platform::XdgDirectories::under(home.path())) {}

URL AppSupportPaths::activityFile() const { return base.appendingPathComponent("activity.json"); }

URL AppSupportPaths::settingsFile() const { return configFolder.appendingPathComponent("settings.json"); }

URL AppSupportPaths::journalDirectory() const { return base.appendingPathComponent("journal", true); }

URL AppSupportPaths::analysisCacheFile() const { return cacheFolder.appendingPathComponent("analysis-cache.json"); }

URL AppSupportPaths::folderCentroidsFile() const { return base.appendingPathComponent("folder-centroids.json"); }

URL AppSupportPaths::filingPriorsFile() const { return base.appendingPathComponent("filing-priors.json"); }

void AppSupportPaths::ensureDirectories(platform::FileSystem& fileSystem) const {
    fileSystem.createDirectories(base.path());
    fileSystem.createDirectories(journalDirectory().path());
}

}  // namespace ordane
