#pragma once

#include <pthread.h>

#include <array>
#include <cstddef>

namespace bezier {

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
            pthread_join(jobs[worker].thread, nullptr);
        else
            task(worker);
    }
}

} // namespace bezier
