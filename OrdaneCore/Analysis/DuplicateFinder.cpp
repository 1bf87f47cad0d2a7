#include "OrdaneCore/Analysis/DuplicateFinder.hpp"

namespace ordane {

DuplicateFinder::DuplicateFinder(UserFolders folders, std::shared_ptr<platform::FileSystem> fileSystem)
    : folders(std::move(folders)), fileSystem(std::move(fileSystem)) {}

}  // namespace ordane
