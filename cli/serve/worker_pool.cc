// SPDX-License-Identifier: Apache-2.0
#include "worker_pool.h"

#include <system_error>

namespace korvane::serve {

WorkerPool::WorkerPool(unsigned threads, size_t queue_limit) : queue_limit_(queue_limit) {
  threads_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      if (threads_.empty()) throw;
      break;  // the system's limits: fewer workers, each with memory to work in
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  queued_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

bool WorkerPool::Submit(std::function<void()> job, bool always) {
  {
    std::lock_guard lock(mutex_);
    if (!always && jobs_.size() >= queue_limit_) return false;
    jobs_.push_back(std::move(job));
  }
  queued_.notify_one();
  return true;
}

size_t WorkerPool::Waiting() const {
  std::lock_guard lock(mutex_);
  return jobs_.size();
}

size_t WorkerPool::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

void WorkerPool::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [&] { return !jobs_.empty() || finishing_; });
    if (jobs_.empty()) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    ++busy_;
    lock.unlock();
    job();
    job = nullptr;  // what it holds goes before the next wait
    lock.lock();
    --busy_;
  }
}

}  // namespace korvane::serve
