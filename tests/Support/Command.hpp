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

// True when a program of that name is on the standard PATH.
bool hasProgram(const std::string& name);

}  // namespace ordane::testing
