// The server's computing threads: jobs queued by the network thread, run in
// order of arrival. Connections wait in the queue, not in a thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace cli {

class WorkPool {
  public:
    // A job learns whether the pool is stopping (it then answers at once
    // instead of computing).
    using Job = std::function<void(bool stopping)>;

    explicit WorkPool(int threads);
    ~WorkPool();
    WorkPool(const WorkPool &) = delete;
    WorkPool &operator=(const WorkPool &) = delete;

    // False, and the job dropped, once the pool is stopping.
    bool post(Job job);
    // Runs every job still queued with stopping = true, then joins.
    void stop();

  private:
    void work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace cli
