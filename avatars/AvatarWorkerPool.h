#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kiv {

// A few threads that run avatar downloads and conversions in the order they
// were asked for, so no window ever waits for the web host. The threads start
// with the first job.
class AvatarWorkerPool {
 public:
  explicit AvatarWorkerPool(int threads = 3);
  ~AvatarWorkerPool();  // stop()
  AvatarWorkerPool(const AvatarWorkerPool&) = delete;
  AvatarWorkerPool& operator=(const AvatarWorkerPool&) = delete;

  // Queues a job; ignored once stopping.
  void post(std::function<void()> job);

  // Drops the jobs not yet started, lets running jobs see stopping() (they
  // abort their transfers) and joins the threads. Idempotent.
  void stop();
  bool stopping() const { return stopping_.load(); }

  // Jobs queued or running.
  std::size_t backlog() const;

 private:
  void run();

  const int threadCount_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::size_t running_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace kiv
