#include <gtest/gtest.h>

#include <fcntl.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdanePlatform/Process/ReaderSandbox.hpp"
#include "OrdanePlatform/Process/WireFormat.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using Outcome = ReaderProcess::Outcome;

namespace {

// A shell as the helper: it sees the channel as descriptor 3.
ReaderProcess::Reply runShell(const std::string& script, const Deadline& deadline, pid_t* pid = nullptr) {
    ReaderProcess helper("/bin/sh", {"-c", script});
    if (pid) *pid = helper.pid();
    ReaderProcess::Reply reply = helper.exchange("hello", deadline);
    EXPECT_EQ(helper.usable(), reply.outcome == Outcome::answered);
    return reply;
}

}  // namespace

TEST(ReaderProcess, EveryHelperEndsInAnOutcomeByItsDeadline) {
    // `cat` sends the framed request back whole: an answer.
    ReaderProcess::Reply echoed = runShell("exec cat <&3 >&3", Deadline::after(std::chrono::seconds(30)));
    EXPECT_EQ(echoed.outcome, Outcome::answered);
    EXPECT_EQ(echoed.message, "hello");
    EXPECT_EQ(runShell("kill -SEGV $$", Deadline::after(std::chrono::seconds(30))).outcome, Outcome::died);
    EXPECT_EQ(runShell("printf 'xx' >&3; exit 0", Deadline::after(std::chrono::seconds(30))).outcome, Outcome::died);

    pid_t hung = 0;
    EXPECT_EQ(runShell("exec sleep 600", Deadline::after(std::chrono::milliseconds(200)), &hung).outcome,
              Outcome::timedOut);
    EXPECT_EQ(::kill(hung, 0), -1) << "a helper that timed out is killed and reaped";

    std::stop_source stop;
    std::jthread stopper([&] { stop.request_stop(); });
    pid_t stopped = 0;
    EXPECT_EQ(runShell("exec sleep 600", Deadline(stop.get_token()), &stopped).outcome, Outcome::stopped);
    EXPECT_EQ(::kill(stopped, 0), -1);
}

TEST(ReaderProcess, FramesCarryValuesExactly) {
    ByteWriter out;
    out.i64(-42);
    out.f64(0.1);
    out.string(std::string("a\0b", 3));
    out.boolean(true);
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    frame::write(ends[0], out.bytes());
    ::close(ends[0]);
    const std::optional<std::string> message = frame::read(ends[1]);
    ASSERT_TRUE(message);
    ByteReader in(*message);
    EXPECT_EQ(in.i64(), -42);
    EXPECT_EQ(in.f64(), 0.1);
    EXPECT_EQ(in.string(), std::string("a\0b", 3));
    EXPECT_TRUE(in.boolean());
    EXPECT_THROW(in.u8(), WireFormatError);
    EXPECT_FALSE(frame::read(ends[1])) << "a clean end";
    ::close(ends[1]);
}

// What the sandbox refuses and allows, checked inside a child that entered it; each check is one
// bit of the exit status, so a failing one is named.
TEST(ReaderSandbox, RefusesWritesNetworkProcessesAndMemoryBeyondItsShare) {
    ordane::testing::TempDir dir;
    const std::string existing = dir / "document.txt";
    ordane::testing::writeFile(existing, "text");
    const std::string created = dir / "written.txt";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReaderSandbox::enter();
        auto refused = [](int result) { return result == -1 && (errno == EPERM || errno == ENOSYS); };
        int failures = 0;
        const int readable = ::open(existing.c_str(), O_RDONLY);
        if (readable < 0) failures |= 1;
        if (!refused(::open(existing.c_str(), O_WRONLY)) || !refused(::open(existing.c_str(), O_RDWR))) failures |= 2;
        if (!refused(::open(created.c_str(), O_RDONLY | O_CREAT, 0600))) failures |= 4;
        if (!refused(::socket(AF_INET, SOCK_STREAM, 0))) failures |= 8;
        if (!refused(static_cast<int>(::fork()))) failures |= 16;
        char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
        if (!refused(::execv("/bin/true", argv))) failures |= 32;
        if (!refused(::unlink(existing.c_str())) || !refused(::rename(existing.c_str(), created.c_str()))) failures |= 64;
        const void* bomb = ::mmap(nullptr, size_t(3) << 30, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (bomb != MAP_FAILED) failures |= 128;
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(::access(created.c_str(), F_OK), 0);
}

// Where close_range is missing (kernels before 5.9) and the filter can't be loaded (some
// containers), simulated with a filter of the test's own: inherited descriptors are still closed,
// the other limits still hold, and entering says why the filter is missing.
TEST(ReaderSandbox, WithoutCloseRangeOrAFilterTheOtherLimitsStillHold) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int inherited[] = {::fcntl(ends[0], F_DUPFD, 10), ::fcntl(ends[1], F_DUPFD, 10), ::fcntl(ends[0], F_DUPFD, 200)};
    ::close(ends[0]);
    ::close(ends[1]);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        scmp_filter_ctx oldKernel = seccomp_init(SCMP_ACT_ALLOW);
        if (!oldKernel || seccomp_rule_add(oldKernel, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(close_range), 0) != 0 ||
            seccomp_rule_add(oldKernel, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(seccomp), 0) != 0 ||
            seccomp_rule_add(oldKernel, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(prctl), 1,
                             SCMP_A0(SCMP_CMP_EQ, PR_SET_SECCOMP)) != 0 ||
            seccomp_load(oldKernel) != 0) {
            ::_exit(100);
        }
        seccomp_release(oldKernel);
        int failures = 0;
        std::optional<std::string> withoutFilter;
        try {
            withoutFilter = ReaderSandbox::enter();
        } catch (const std::exception&) {
            ::_exit(101);
        }
        if (!withoutFilter || withoutFilter->empty()) failures |= 1;
        for (int fd : inherited) {
            if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) failures |= 2;
        }
        const void* bomb = ::mmap(nullptr, size_t(3) << 30, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (bomb != MAP_FAILED) failures |= 4;
        if (::fcntl(ReaderProcess::channelFd - 1, F_GETFD) == -1) failures |= 8;  // standard error stays
        ::_exit(failures);
    }
    for (int fd : inherited) ::close(fd);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
