#pragma once

#include <string>

namespace ordane::testing {

// Gives the test process its own home and data folders and a fixed time zone and locale, so
// nothing touches the real home or Trash. Returns the home folder; empty when it couldn't be made.
std::string prepareTestEnvironment();
void removeTestEnvironment(const std::string& home);

}  // namespace ordane::testing
