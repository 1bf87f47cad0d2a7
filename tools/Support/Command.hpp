#pragma once

#include <string>
#include <vector>

namespace ordane::testing {

struct CommandResult {
    int exitCode = -1;  // -1 when the program could not be started or did not exit normally
    std::string output; // standard output and standard error together
};

// Runs a program with exactly the given environment ("NAME=value" entries) and waits for it.
CommandResult runCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& environment);

// The environment for a desktop tool (trash-list, gio) that must see `home` as the home folder
// and `home`/data as its data folder, so that it finds the Trash a test made there.
std::vector<std::string> toolEnvironment(const std::string& home);

// True when a program of that name is on the standard PATH.
bool hasProgram(const std::string& name);

}  // namespace ordane::testing
