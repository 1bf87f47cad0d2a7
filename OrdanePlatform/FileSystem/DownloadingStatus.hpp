#pragma once

namespace ordane::platform {

// Whether a synced item's data is on this computer, as a platform's cloud file provider reports it.
// Linux file systems report nothing, so the value is absent there.
enum class DownloadingStatus { notDownloaded, downloaded, current };

}  // namespace ordane::platform
