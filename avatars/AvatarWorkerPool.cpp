#include "avatars/AvatarWorkerPool.h"

namespace kiv {

AvatarWorkerPool::AvatarWorkerPool(int threads) : threadCount_(threads < 1 ? 1 : threads) {}

AvatarWorkerPool::~AvatarWorkerPool() {
  stop();
}

void AvatarWorkerPool::post(std::function<void()> job) {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  jobs_.push_back(std::move(job));
  if (threads_.size() < static_cast<std::size_t>(threadCount_) && threads_.size() < jobs_.size() + running_) {
    threads_.emplace_back([this] { run(); });
  }
  wake_.notify_one();
}

void AvatarWorkerPool::stop() {
  std::vector<std::thread> threads;
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    dropped.swap(jobs_);
    threads.swap(threads_);
  }
  wake_.notify_all();
  for (auto& thread : threads) thread.join();
  // `dropped` dies here, outside the lock: a job's captures may hold
  // anything.
}

std::size_t AvatarWorkerPool::backlog() const {
  std::lock_guard lock(mutex_);
  return jobs_.size() + running_;
}

void AvatarWorkerPool::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    ++running_;
    lock.unlock();
    job();
    job = nullptr;
    lock.lock();
    --running_;
  }
}

}  // namespace kiv
