#include "Support/LoopVolume.hpp"

#include <sys/mount.h>
#include <unistd.h>

#include "Support/Command.hpp"

namespace ordane::testing {

namespace {

const std::vector<std::string> systemPath = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin"};

}  // namespace

LoopVolume::LoopVolume() : image_(dir_ / "volume.img"), mountPoint_(dir_ / "mnt") {
    if (::getuid() != 0) {
        whyNot_ = "not root";
        return;
    }
    if (!hasProgram("mkfs.ext4") || !hasProgram("mount")) {
        whyNot_ = "mkfs.ext4 or mount is missing";
        return;
    }
    makeDirectories(mountPoint_);
    if (runCommand({"truncate", "-s", "16M", image_}, systemPath).exitCode != 0 ||
        runCommand({"mkfs.ext4", "-q", "-F", image_}, systemPath).exitCode != 0) {
        whyNot_ = "could not make an ext4 image";
        return;
    }
    if (!mount()) whyNot_ = "the loop mount was refused";
}

LoopVolume::~LoopVolume() {
    if (mounted_) unmount();
}

bool LoopVolume::mount() {
    mounted_ = runCommand({"mount", "-o", "loop", image_, mountPoint_}, systemPath).exitCode == 0;
    return mounted_;
}

bool LoopVolume::unmount() {
    if (runCommand({"umount", mountPoint_}, systemPath).exitCode != 0 && ::umount2(mountPoint_.c_str(), MNT_DETACH) != 0) {
        return false;
    }
    mounted_ = false;
    return true;
}

}  // namespace ordane::testing
