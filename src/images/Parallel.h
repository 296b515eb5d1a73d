#pragma once
// Splits a range of independent work items over a few threads.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace stanor::images {

// The number of threads to use: `requested` when positive, else one per core (at most 8).
inline int workerCount(int requested) {
    if (requested > 0) return requested;
    unsigned n = std::thread::hardware_concurrency();
    return int(std::clamp(n, 1u, 8u));
}

// Calls body(begin, end) on chunks of [0, count) from `threads` threads (the caller is one of
// them); returns when every item is done. body must not throw.
template <class Body>
void parallelFor(int count, int threads, int chunk, Body&& body) {
    if (count <= 0) return;
    threads = std::min(workerCount(threads), (count + chunk - 1) / chunk);
    if (threads <= 1) {
        body(0, count);
        return;
    }
    std::atomic<int> next{0};
    auto run = [&] {
        for (;;) {
            int begin = next.fetch_add(chunk);
            if (begin >= count) return;
            body(begin, std::min(begin + chunk, count));
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(std::size_t(threads - 1));
    for (int t = 1; t < threads; ++t) pool.emplace_back(run);
    run();
    for (std::thread& t : pool) t.join();
}

// How many rows of a picture being decoded are ready; readers wait until the rows they need are
// there, or the producer gave up. A reader first looks again for a short while (rows usually
// follow within microseconds, and waking a sleeping thread takes longer than that), then sleeps.
class RowGate {
public:
    void publish(int rows) {
        {
            std::lock_guard<std::mutex> lock(m_);
            rows_ = rows;
            seen_.store(rows, std::memory_order_release);
        }
        cv_.notify_all();
    }
    void abort() {
        {
            std::lock_guard<std::mutex> lock(m_);
            aborted_ = true;
            stopped_.store(true, std::memory_order_release);
        }
        cv_.notify_all();
    }
    // False when the producer gave up before `rows` rows were ready.
    bool waitFor(int rows) {
        for (int i = 0; i < kLooks; ++i) {
            if (seen_.load(std::memory_order_acquire) >= rows) return true;
            if (stopped_.load(std::memory_order_acquire)) break;
            pause();
        }
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return aborted_ || rows_ >= rows; });
        return !aborted_ || rows_ >= rows;
    }

private:
    static constexpr int kLooks = 1000;  // some microseconds
    static void pause() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    std::mutex m_;
    std::condition_variable cv_;
    int rows_ = 0;
    bool aborted_ = false;
    std::atomic<int> seen_{0};
    std::atomic<bool> stopped_{false};
};

}  // namespace stanor::images
