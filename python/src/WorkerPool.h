#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace glidersim {

// A fixed set of threads, started once, that run one job over the indices
// 0..count-1 at a time. Each thread takes the next index not yet taken, so
// on a shared machine a thread the system leaves running takes the share of
// one it has paused rather than waiting for it. The caller waits for the
// whole job.
class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(workers.size()) + 1; }
    // Runs job(i) for every i in [0, count); the calling thread takes its share.
    void run(int count, const std::function<void(int)>& job);

private:
    void work();
    void share();

    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    const std::function<void(int)>* current = nullptr;
    int count = 0;
    std::atomic<int> next{0}; // the next index to take
    long long generation = 0;
    int pending = 0;
    bool stopping = false;
};

} // namespace glidersim
