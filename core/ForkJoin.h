#pragma once

#include <pthread.h>
#ifdef __EMSCRIPTEN_PTHREADS__
#include <emscripten/threading.h>

#include <cerrno>
#endif

#include <array>
#include <cstddef>

namespace bezier {

// Waits for a thread to end. A browser's main thread cannot sleep: a join there spins, and
// Emscripten's pthread_join also warns on the console that it blocks. Here it spins the same
// way, without the warning, serving what the worker may have asked of the main thread.
inline void joinThread(pthread_t thread)
{
#ifdef __EMSCRIPTEN_PTHREADS__
    if (emscripten_is_main_browser_thread()) {
        while (pthread_tryjoin_np(thread, nullptr) == EBUSY)
            emscripten_main_thread_process_queued_calls();
        return;
    }
#endif
    pthread_join(thread, nullptr);
}

// Up to how many threads a fork-join spreads its work.
constexpr std::size_t kMaxWorkers = 8;

// Runs task(worker) for every worker in [0, workers), each on a thread of its own (worker 0
// on the calling thread), and returns once all have finished: nothing runs after the call.
// Starting the threads allocates nothing of the program's; a worker whose thread cannot be
// started runs on the calling thread instead.
template <typename Task>
void forkJoin(std::size_t workers, const Task &task)
{
    struct Job
    {
        const Task *task = nullptr;
        std::size_t worker = 0;
        pthread_t thread{};
        bool started = false;
    };
    std::array<Job, kMaxWorkers> jobs;
    const auto run = [](void *argument) -> void * {
        const Job &job = *static_cast<Job *>(argument);
        (*job.task)(job.worker);
        return nullptr;
    };
    if (workers > kMaxWorkers)
        workers = kMaxWorkers;
    for (std::size_t worker = 1; worker < workers; ++worker) {
        Job &job = jobs[worker];
        job.task = &task;
        job.worker = worker;
        job.started = pthread_create(&job.thread, nullptr, run, &job) == 0;
    }
    task(0);
    for (std::size_t worker = 1; worker < workers; ++worker) {
        if (jobs[worker].started)
            joinThread(jobs[worker].thread);
        else
            task(worker);
    }
}

} // namespace bezier
