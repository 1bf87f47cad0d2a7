#pragma once

#include <string>

namespace ordane::testing {

// Gives the test process its own home and data folders and a fixed time zone and locale, so
// nothing touches the real home or Trash. Returns the home folder; empty when it couldn't be made.
std::string prepareTestEnvironment();
void removeTestEnvironment(const std::string& home);

// libgomp reads its thread limit (OMP_THREAD_LIMIT=1), and LeakSanitizer its suppressions, only
// when the process starts: a test process started without them executes itself again with them.
// Call first thing in main().
void restartWithLibraryEnvironment(char** argv);

}  // namespace ordane::testing
