#include "OrdanePlatform/Process/ReaderProcess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <system_error>

#include "OrdanePlatform/Process/WireFormat.hpp"

extern char** environ;

namespace ordane::platform {

namespace {

[[noreturn]] void throwErrno(int error, const char* what) {
    throw std::system_error(error, std::generic_category(), what);
}

// Helpers killed while stuck in the kernel (a stalled mount) can't be reaped at once; they are
// retried whenever another one is reaped.
std::mutex unreapedMutex;
std::vector<pid_t> unreaped;

bool reapNow(pid_t pid) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

void reapLater(pid_t pid) {
    std::lock_guard lock(unreapedMutex);
    if (!reapNow(pid)) unreaped.push_back(pid);
    std::erase_if(unreaped, [](pid_t other) { return reapNow(other); });
}

// Waits up to a second for a killed helper to be gone, without sleeping in steps.
void reap(pid_t pid) {
    // glibc 2.36 declares pidfd_open without C linkage.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd gone{pidfd, POLLIN, 0};
        while (::poll(&gone, 1, 1000) < 0 && errno == EINTR) {}
        ::close(pidfd);
    }
    reapLater(pid);
}

int millisecondsUntil(const Deadline& deadline) {
    const std::optional<Deadline::Clock::time_point> end = deadline.end();
    if (!end) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*end - Deadline::Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

class SpawnSettings {
public:
    SpawnSettings(int childEnd) {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
        ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_adddup2(&actions, childEnd, ReaderProcess::channelFd);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&attributes, &none);
        ::posix_spawnattr_setsigdefault(&attributes, &all);
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace

ReaderProcess::ReaderProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) throwErrno(errno, "socketpair");
    // The helper's end must not already be the channel's number, or dup2 would keep close-on-exec.
    const int childEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, channelFd + 1);
    const int dupError = errno;
    ::close(ends[1]);
    channel_ = ends[0];
    if (childEnd < 0) {
        ::close(channel_);
        throwErrno(dupError, "fcntl");
    }
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        const int error = errno;
        ::close(childEnd);
        ::close(channel_);
        throwErrno(error, "eventfd");
    }

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int error = 0;
    {
        SpawnSettings settings(childEnd);
        error = ::posix_spawn(&pid_, program.c_str(), &settings.actions, &settings.attributes, argv.data(), environ);
    }
    ::close(childEnd);
    if (error != 0) {
        ::close(channel_);
        ::close(wake_);
        throwErrno(error, "posix_spawn");
    }
    usable_ = true;
}

ReaderProcess::~ReaderProcess() {
    if (pid_ > 0) killAndReap();
    ::close(channel_);
    ::close(wake_);
}

void ReaderProcess::killAndReap() {
    ::kill(pid_, SIGKILL);
    reap(pid_);
    pid_ = -1;
    usable_ = false;
}

ReaderProcess::Reply ReaderProcess::fail(Outcome outcome) {
    killAndReap();
    return Reply{outcome, {}};
}

ReaderProcess::Reply ReaderProcess::exchange(std::string_view request, const Deadline& deadline) {
    if (!usable_) return Reply{Outcome::died, {}};
    if (deadline.stopRequested()) return fail(Outcome::stopped);
    try {
        frame::write(channel_, request);
    } catch (const std::exception&) {
        return fail(Outcome::died);
    }
    return receive(deadline);
}

ReaderProcess::Reply ReaderProcess::receive(const Deadline& deadline) {
    if (!usable_) return Reply{Outcome::died, {}};
    std::stop_callback wakeOnStop(deadline.stopToken(), [this] {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wake_, &one, sizeof one);
    });
    // The answer arrives in pieces; each read follows a poll, so none blocks past the deadline.
    std::string received;
    size_t expected = SIZE_MAX;
    for (;;) {
        if (deadline.stopRequested()) return fail(Outcome::stopped);
        pollfd watched[2] = {{channel_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = ::poll(watched, 2, millisecondsUntil(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return fail(Outcome::died);
        }
        if (deadline.stopRequested()) return fail(Outcome::stopped);
        if (ready == 0 || (watched[0].revents == 0 && deadline.reached())) return fail(Outcome::timedOut);
        if (watched[0].revents == 0) continue;

        char buffer[65536];
        const ssize_t count = ::read(channel_, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count <= 0) return fail(Outcome::died);
        received.append(buffer, static_cast<size_t>(count));
        if (expected == SIZE_MAX && received.size() >= 4) {
            expected = 0;
            for (int i = 0; i < 4; ++i) expected |= size_t(static_cast<unsigned char>(received[size_t(i)])) << (8 * i);
            if (expected > frame::maxLength) return fail(Outcome::died);
            expected += 4;
        }
        if (received.size() > expected) return fail(Outcome::died);  // an answer nobody asked for
        if (received.size() == expected) return Reply{Outcome::answered, received.substr(4)};
    }
}

void ReaderProcess::serve(const std::function<std::string(std::string_view request)>& answer) {
    while (std::optional<std::string> request = frame::read(channelFd)) frame::write(channelFd, answer(*request));
}

std::string ReaderProcess::besideThisProgram(const std::string& name) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return (self.parent_path() / name).string();
}

}  // namespace ordane::platform
