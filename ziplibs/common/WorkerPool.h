// A fixed set of threads running queued jobs. The libraries hand pieces of
// work to it and collect the results on the calling thread, which alone
// talks to the host.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace orn::zipfmt {

class WorkerPool {
 public:
  explicit WorkerPool(unsigned threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  template <typename F>
  auto Submit(F&& job) -> std::future<decltype(job())> {
    using R = decltype(job());
    auto task = std::make_shared<std::packaged_task<R()>>(std::forward<F>(job));
    auto fut = task->get_future();
    {
      std::lock_guard lock(mutex_);
      queue_.emplace_back([task] { (*task)(); });
    }
    cv_.notify_one();
    return fut;
  }

  unsigned Size() const { return unsigned(threads_.size()); }
  // Threads to use for `requested` (0 = one per core).
  static unsigned ThreadsFor(int requested);

 private:
  void Run();
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::thread> threads_;
  bool quit_ = false;
};

}  // namespace orn::zipfmt
