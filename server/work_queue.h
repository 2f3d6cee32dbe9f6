#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace server {

// A fixed set of threads taking jobs from a queue of bounded length. A job that does not fit is
// refused at once, so a flood of slow work (password hashing) waits in a short line or is told
// to come back, instead of piling up memory and threads.
class WorkQueue {
public:
    // A job learns whether it runs (true) or was dropped at shutdown (false); either way it is
    // called exactly once, so whoever waits on it is always released.
    using Job = std::function<void(bool run)>;

    WorkQueue(std::size_t threads, std::size_t capacity);
    ~WorkQueue();
    WorkQueue(const WorkQueue &) = delete;
    WorkQueue &operator=(const WorkQueue &) = delete;

    // False when the queue is full or shutting down; the job is then not called at all.
    bool tryPost(Job job);
    // Jobs waiting, not counting those running.
    std::size_t waiting() const;
    // Drops the jobs still waiting (calling them with false), lets running ones finish and
    // joins the threads. Safe to call more than once.
    void shutdown();

private:
    void work();

    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace server
