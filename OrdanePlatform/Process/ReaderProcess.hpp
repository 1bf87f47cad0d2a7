#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdanePlatform/Concurrency/Deadline.hpp"

namespace ordane::platform {

// A helper process of our own that reads untrusted files for us, one request at a time, over a
// local socket pair (a pipe in both directions that never raises SIGPIPE). Whatever the helper
// does (crash, hang, run out of memory), the caller gets an outcome by the request's deadline:
// a helper that has not answered by then is killed with SIGKILL. A killed or dead helper is not
// used again; the owner starts another.
class ReaderProcess {
public:
    // The helper's end of the channel.
    static constexpr int channelFd = 3;

    enum class Outcome {
        answered,
        died,      // ended or broke the channel before answering
        timedOut,  // no answer by the deadline; killed
        stopped,   // the deadline's stop token was requested; killed at once
    };
    struct Reply {
        Outcome outcome = Outcome::died;
        std::string message;  // when answered
    };

    // Starts `program` with `arguments` (argv[1] on), standard input and output on /dev/null,
    // standard error shared, every signal at its default. Throws std::system_error.
    ReaderProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Kills the helper (if still there) and reaps it.
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Sends `request` and waits for the answer until `deadline` (its end, or its stop token).
    // Only `answered` leaves the helper usable.
    Reply exchange(std::string_view request, const Deadline& deadline);
    // Waits for a message without sending one (a helper's greeting once it is ready).
    Reply receive(const Deadline& deadline);
    bool usable() const { return usable_; }
    pid_t pid() const { return pid_; }

    // The helper's side: answers each request on channelFd until the other end closes it.
    static void serve(const std::function<std::string(std::string_view request)>& answer);

    // The program called `name` in the folder of the running program, whether it is there or not
    // (its owner says so when it can't be started); nothing when the running program can't be found.
    static std::string besideThisProgram(const std::string& name);

private:
    Reply fail(Outcome outcome);
    void killAndReap();

    pid_t pid_ = -1;
    int channel_ = -1;
    int wake_ = -1;  // eventfd: a stop request wakes the waiting exchange
    bool usable_ = false;
};

}  // namespace ordane::platform
