#include "python/src/WorkerPool.h"

namespace glidersim {

WorkerPool::WorkerPool(int threads) {
    for (int slot = 1; slot < threads; ++slot) {
        workers.emplace_back([this] { work(); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
}

void WorkerPool::share() {
    for (int i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
        (*current)(i);
    }
}

void WorkerPool::work() {
    long long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping) {
                return;
            }
            seen = generation;
        }
        share();
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (--pending == 0) {
                done.notify_one();
            }
        }
    }
}

void WorkerPool::run(int count_, const std::function<void(int)>& job) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = &job;
        count = count_;
        pending = static_cast<int>(workers.size());
        next.store(0, std::memory_order_relaxed);
        ++generation;
    }
    wake.notify_all();
    share();
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return pending == 0; });
    current = nullptr;
}

} // namespace glidersim
