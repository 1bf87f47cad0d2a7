#pragma once

#include <string>

#include "Support/TempDir.hpp"

namespace ordane::testing {

// A small ext4 image mounted through a loop device, unmounted at the end. Tests skip when the
// machine doesn't allow it (not root, no mkfs.ext4, no loop devices).
class LoopVolume {
public:
    LoopVolume();
    ~LoopVolume();
    LoopVolume(const LoopVolume&) = delete;
    LoopVolume& operator=(const LoopVolume&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    const std::string& mountPoint() const { return mountPoint_; }

    // Detaches the volume (as if the drive were unplugged) and attaches it again.
    bool unmount();
    bool mount();

private:
    TempDir dir_;
    std::string image_;
    std::string mountPoint_;
    bool mounted_ = false;
    std::string whyNot_;
};

}  // namespace ordane::testing
