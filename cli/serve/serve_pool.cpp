// The server's computing threads and their queue.
#include "serve/serve_pool.hpp"

namespace cli {

WorkPool::WorkPool(int threads) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back(&WorkPool::work, this);
}

WorkPool::~WorkPool() {
    stop();
}

bool WorkPool::post(Job job) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return false;
        jobs_.push_back(std::move(job));
    }
    ready_.notify_one();
    return true;
}

void WorkPool::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread &thread : threads_)
        if (thread.joinable()) thread.join();
}

void WorkPool::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return; // stopping, nothing left
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        const bool stopping = stopping_;
        lock.unlock();
        job(stopping);
    }
}

} // namespace cli
