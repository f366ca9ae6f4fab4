// SPDX-License-Identifier: Apache-2.0
// The threads that convert pages for every connection, fed by one queue
// whose length is bounded: a request that finds it full is refused at once
// rather than left to wait without end.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvane::serve {

class WorkerPool {
 public:
  // Starts `threads` workers (throws std::system_error when none can start).
  WorkerPool(unsigned threads, size_t queue_limit);
  // Runs the jobs still queued, then joins the workers.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Queues `job` unless `queue_limit` jobs wait already; false then. With
  // `always`, queues it all the same: for the pages of a batch already
  // accepted, whose number in flight its window bounds.
  bool Submit(std::function<void()> job, bool always = false);
  size_t Waiting() const;
  // Jobs being run.
  size_t Busy() const;
  unsigned threads() const { return static_cast<unsigned>(threads_.size()); }

 private:
  void Work();

  const size_t queue_limit_;
  mutable std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> jobs_;
  size_t busy_ = 0;
  bool finishing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace korvane::serve
