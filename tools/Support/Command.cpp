#include "Support/Command.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ordane::testing {

namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (const std::string& text : texts) result.push_back(const_cast<char*>(text.c_str()));
    result.push_back(nullptr);
    return result;
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    CommandResult result;
    int pipeEnds[2];
    if (arguments.empty() || ::pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t child = 0;
    int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned == 0) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<size_t>(n));
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    }
    ::close(pipeEnds[0]);
    return result;
}

std::vector<std::string> toolEnvironment(const std::string& home) {
    return {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data", "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TZ=UTC"};
}

bool hasProgram(const std::string& name) {
    for (const char* folder : {"/usr/local/bin", "/usr/bin", "/bin", "/usr/sbin", "/sbin"}) {
        if (::access((std::string(folder) + "/" + name).c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace ordane::testing
