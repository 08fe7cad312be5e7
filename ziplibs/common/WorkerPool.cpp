#include "WorkerPool.h"

#include <algorithm>

namespace orn::zipfmt {

WorkerPool::WorkerPool(unsigned threads) {
  threads = std::max(1u, threads);
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
  for (auto& t : threads_) t.join();
}

unsigned WorkerPool::ThreadsFor(int requested) {
  if (requested > 0) return unsigned(std::min(requested, 64));
  unsigned hw = std::thread::hardware_concurrency();
  return std::clamp(hw, 1u, 16u);
}

void WorkerPool::Run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [this] { return quit_ || !queue_.empty(); });
      // Finish what was queued even when quitting: callers wait on the futures.
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    job();
  }
}

}  // namespace orn::zipfmt
