#include "server/work_queue.h"

namespace server {

WorkQueue::WorkQueue(std::size_t threads, std::size_t capacity) : capacity_(capacity)
{
    for (std::size_t i = 0; i < threads; ++i)
        threads_.emplace_back([this] { work(); });
}

WorkQueue::~WorkQueue()
{
    shutdown();
}

bool WorkQueue::tryPost(Job job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || jobs_.size() >= capacity_)
            return false;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

std::size_t WorkQueue::waiting() const
{
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

void WorkQueue::shutdown()
{
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(jobs_);
    }
    wake_.notify_all();
    for (Job &job : dropped)
        job(false);
    for (std::thread &thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

void WorkQueue::work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(true);
    }
}

} // namespace server
