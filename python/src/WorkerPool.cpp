#include "python/src/WorkerPool.h"

namespace glidersim {

WorkerPool::WorkerPool(int threads) {
    for (int slot = 1; slot < threads; ++slot) {
        workers.emplace_back([this, slot] { work(slot); });
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

void WorkerPool::share(int slot) {
    const int stride = threadCount();
    for (int i = slot; i < count; i += stride) {
        (*current)(i);
    }
}

void WorkerPool::work(int slot) {
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
        share(slot);
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
        ++generation;
    }
    wake.notify_all();
    share(0);
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return pending == 0; });
    current = nullptr;
}

} // namespace glidersim
