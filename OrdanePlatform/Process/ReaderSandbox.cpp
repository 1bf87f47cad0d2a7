#include "OrdanePlatform/Process/ReaderSandbox.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "OrdanePlatform/Process/ReaderProcess.hpp"

namespace ordane::platform {

namespace {

[[noreturn]] void fail(int error, const char* what) { throw std::system_error(error, std::generic_category(), what); }

// For libseccomp's calls, which return the negated error.
void check(int result, const char* what) {
    if (result != 0) fail(result < 0 ? -result : result, what);
}

// The descriptors above `lowest` as /proc lists them; nothing when /proc can't be read.
std::optional<std::vector<int>> listedDescriptors(int lowest) {
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder) return std::nullopt;
    std::vector<int> found;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd >= lowest && fd != ::dirfd(folder)) found.push_back(int(fd));
    }
    ::closedir(folder);
    return found;
}

int64_t currentAddressSpace() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0;
    statm >> pages;
    return pages * ::sysconf(_SC_PAGESIZE);
}

void limit(int resource, rlim_t soft, const char* what) {
    rlimit current{};
    if (::getrlimit(resource, &current) != 0) fail(errno, what);
    if (current.rlim_max != RLIM_INFINITY && soft > current.rlim_max) soft = current.rlim_max;
    rlimit wanted{soft, resource == RLIMIT_CPU ? current.rlim_max : soft};
    if (::setrlimit(resource, &wanted) != 0) fail(errno, what);
}

using Filter = std::unique_ptr<void, decltype(&seccomp_release)>;

// A rule for a call this architecture may not have (open, stat on arm64) is left out.
void allow(const Filter& filter, int call, std::initializer_list<scmp_arg_cmp> conditions = {}) {
    if (call < 0) return;
    check(seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, call, static_cast<unsigned>(conditions.size()),
                                 conditions.size() ? conditions.begin() : nullptr),
          "seccomp_rule_add");
}

// The system-call filter. Everything not listed fails with EPERM, which the libraries take as an
// ordinary failure (fontconfig can't write its cache, a symbolizer can't start). What reading a
// document, a picture or a scan needs, found by tracing poppler, fontconfig, cairo-free page
// rendering, tesseract/leptonica, libheif, libzip and our own readers over real files:
//
// - files: open and openat for reading only (no write access, no O_CREAT, O_TRUNC or O_APPEND),
//   read, seek, close, the stat family, directory listings (fontconfig, tessdata), readlink and
//   access checks; no openat2 (its flags sit behind a pointer, so it gets ENOSYS and glibc falls
//   back to openat);
// - no file can be written: every descriptor above the channel is closed on entry and no file can
//   be opened with write access, so write and writev reach only standard output (/dev/null),
//   standard error, the channel (also sendto without an address) and pipes of its own (the
//   sanitizers probe memory through a pipe);
// - memory: mmap, mprotect, munmap, mremap, madvise, brk, mincore;
// - threads, for libraries that start them: clone only with CLONE_THREAD (never a new process),
//   clone3 answers ENOSYS because its flags sit behind a pointer, futex, robust lists, rseq;
// - signals to itself only (abort, sanitizers), signal handlers and masks;
// - time, sleeping, random numbers, scheduling queries, resource limits of itself (the CPU limit
//   before each file), process and user ids, uname and sysinfo;
// - exit.
// Refused: every other write, creating, renaming or removing files, sockets and the network,
// fork, vfork, exec, ptrace, mounts, keyrings, io_uring, bpf, and everything else unlisted.
void installFilter() {
    Filter filter(seccomp_init(SCMP_ACT_ERRNO(EPERM)), &seccomp_release);
    if (!filter) fail(ENOMEM, "seccomp_init");
    check(seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_NNP, 1), "seccomp_attr_set");
    check(seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_TSYNC, 1), "seccomp_attr_set");

    constexpr scmp_datum_t writeAccess = O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND;
    allow(filter, SCMP_SYS(openat), {SCMP_A2(SCMP_CMP_MASKED_EQ, writeAccess, 0)});
    allow(filter, SCMP_SYS(open), {SCMP_A1(SCMP_CMP_MASKED_EQ, writeAccess, 0)});
    check(seccomp_rule_add(filter.get(), SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(openat2), 0), "seccomp_rule_add");
    // Our frames go out with send(MSG_NOSIGNAL): to the channel only, never to an address.
    allow(filter, SCMP_SYS(sendto),
          {SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(ReaderProcess::channelFd)), SCMP_A4(SCMP_CMP_EQ, 0)});
    allow(filter, SCMP_SYS(clone), {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)});
    check(seccomp_rule_add(filter.get(), SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0), "seccomp_rule_add");
    const auto self = static_cast<scmp_datum_t>(::getpid());
    allow(filter, SCMP_SYS(tgkill), {SCMP_A0(SCMP_CMP_EQ, self)});
    allow(filter, SCMP_SYS(kill), {SCMP_A0(SCMP_CMP_EQ, self)});
    allow(filter, SCMP_SYS(prlimit64), {SCMP_A0(SCMP_CMP_EQ, 0)});
    allow(filter, SCMP_SYS(ioctl), {SCMP_A1(SCMP_CMP_EQ, TCGETS)});
    for (int call : {
             // files, read only
             SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(preadv), SCMP_SYS(preadv2), SCMP_SYS(lseek),
             SCMP_SYS(close), SCMP_SYS(fstat), SCMP_SYS(stat), SCMP_SYS(lstat), SCMP_SYS(newfstatat), SCMP_SYS(statx),
             SCMP_SYS(fstatfs), SCMP_SYS(statfs), SCMP_SYS(getdents64), SCMP_SYS(readlink), SCMP_SYS(readlinkat),
             SCMP_SYS(access), SCMP_SYS(faccessat), SCMP_SYS(faccessat2), SCMP_SYS(getcwd), SCMP_SYS(fcntl),
             SCMP_SYS(fadvise64), SCMP_SYS(dup),
             // writes, which only reach descriptors that can be written: see above
             SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(pipe2),
             // memory
             SCMP_SYS(mmap), SCMP_SYS(mprotect), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(brk),
             SCMP_SYS(mincore),
             // threads and signals
             SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(get_robust_list), SCMP_SYS(rseq),
             SCMP_SYS(set_tid_address), SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
             SCMP_SYS(sigaltstack), SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(membarrier),
             // time, ids, limits
             SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep), SCMP_SYS(nanosleep),
             SCMP_SYS(gettimeofday), SCMP_SYS(time), SCMP_SYS(getrandom), SCMP_SYS(getrusage), SCMP_SYS(getrlimit),
             SCMP_SYS(setrlimit), SCMP_SYS(getpid), SCMP_SYS(gettid), SCMP_SYS(getppid), SCMP_SYS(getuid),
             SCMP_SYS(geteuid), SCMP_SYS(getgid), SCMP_SYS(getegid), SCMP_SYS(uname), SCMP_SYS(sysinfo),
             // the end
             SCMP_SYS(exit), SCMP_SYS(exit_group)}) {
        allow(filter, call);
    }
    check(seccomp_load(filter.get()), "seccomp_load");
}

}  // namespace

void ReaderSandbox::closeInheritedDescriptors() {
    constexpr int lowest = ReaderProcess::channelFd + 1;
    // Missing before Linux 5.9, and refused (EPERM) by the filters of older container runtimes.
    if (::close_range(lowest, ~0U, 0) == 0) return;
    if (std::optional<std::vector<int>> listed = listedDescriptors(lowest)) {
        for (int fd : *listed) ::close(fd);
        return;
    }
    rlimit open{};
    if (::getrlimit(RLIMIT_NOFILE, &open) != 0) fail(errno, "getrlimit(RLIMIT_NOFILE)");
    // Closing a billion numbers one by one would outlast the reader's start deadline: say so instead.
    constexpr rlim_t mostToClose = rlim_t{1} << 20;
    if (open.rlim_cur == RLIM_INFINITY || open.rlim_cur > mostToClose) fail(EMFILE, "no way to close inherited descriptors");
    for (rlim_t fd = lowest; fd < open.rlim_cur; ++fd) ::close(static_cast<int>(fd));
}

std::optional<std::string> ReaderSandbox::enter() {
    closeInheritedDescriptors();
    limit(RLIMIT_CORE, 0, "setrlimit(RLIMIT_CORE)");
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) fail(errno, "PR_SET_NO_NEW_PRIVS");
    // Measured from here because a sanitizer build reserves terabytes of shadow memory at start.
    limit(RLIMIT_AS, static_cast<rlim_t>(currentAddressSpace() + addressSpaceHeadroom), "setrlimit(RLIMIT_AS)");
    try {
        installFilter();
    } catch (const std::system_error& error) {
        // Some containers and kernels allow no filter; the reader is still worth more than none.
        return error.what();
    }
    return std::nullopt;
}

void ReaderSandbox::limitCpuTime(std::chrono::seconds allowance) {
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) fail(errno, "getrusage");
    const auto used = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1;
    limit(RLIMIT_CPU, static_cast<rlim_t>(used + allowance.count()), "setrlimit(RLIMIT_CPU)");
}

}  // namespace ordane::platform
