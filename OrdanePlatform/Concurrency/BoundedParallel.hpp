#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <stop_token>
#include <type_traits>
#include <utility>
#include <vector>

namespace ordane::platform {

// Runs independent jobs on at most `width` worker threads, so at most `width` are in flight; a
// worker takes the next job as soon as it is free. Job i writes only its own result slot;
// everything else (counters, progress, stores) belongs in `onFinished`, which is called on the
// calling thread, one finished job at a time, in order of completion, so it needs no lock.
//
// Once `stop` is requested no further job starts and `run` returns when the running ones are
// done; slots of jobs that never started keep their default value, and the caller, which owns
// the meaning of cancellation, checks the token. Jobs get no token of their own: they capture the
// caller's. The first exception a job throws also stops new jobs from starting and is rethrown
// once the running ones are done.
class BoundedParallel {
public:
    template <class Result, class Job, class OnFinished>
    static std::vector<Result> run(size_t count, size_t width, std::stop_token stop, Job&& job,
                                   OnFinished&& onFinished) {
        // std::vector<bool> packs slots into shared words, so two jobs writing theirs would race.
        static_assert(!std::is_same_v<Result, bool>, "use char or std::optional<bool> for yes/no results");
        std::vector<Result> results(count);
        runIndices(
            count, width, std::move(stop), [&](size_t index) { results[index] = job(index); },
            [&](size_t index) { onFinished(index, results[index]); });
        return results;
    }

    template <class Result, class Job>
    static std::vector<Result> run(size_t count, size_t width, std::stop_token stop, Job&& job) {
        return run<Result>(count, width, std::move(stop), std::forward<Job>(job), [](size_t, Result&) {});
    }

    // The scheduling itself: `work(i)` on a worker, then `finished(i)` on the calling thread.
    static void runIndices(size_t count, size_t width, std::stop_token stop, const std::function<void(size_t)>& work,
                           const std::function<void(size_t)>& finished);
};

}  // namespace ordane::platform
