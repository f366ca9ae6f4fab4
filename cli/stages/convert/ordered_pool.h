// SPDX-License-Identifier: Apache-2.0
// Work on a pool of threads whose results come out in input order, with a
// bounded number of items and bytes in flight so that memory stays bounded
// too. Each role waits on a condition of its own and is woken only when what
// it waits for may have come: a wake-up costs a system call and a switch of
// threads, and waking every thread for every change of every item made the
// pool's own work a tenth of a batch's time. For the same reason the results
// are emitted by the worker that finishes the next one in order, rather than
// handed to a thread that would be woken for each.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace korvane::cli {

struct PoolLimits {
  unsigned jobs = 1;            // worker threads wanted
  size_t items = 4;             // items read but not yet emitted, at most
  uint64_t bytes = UINT64_MAX;  // their weight, at most (one item may pass it)
};

template <typename In, typename Out>
struct PoolCalls {
  std::function<std::optional<In>()> next;
  std::function<Out(In&&)> work;
  std::function<void(Out&&)> emit;
  std::function<uint64_t(const In&)> weight;
  std::function<void(unsigned, const std::string&)> fewer_threads;
};

// One run of RunInOrder: a reader thread, the workers, and the calling
// thread, which emits only when there are no workers.
template <typename In, typename Out>
class OrderedPool {
 public:
  OrderedPool(const PoolLimits& limits, const PoolCalls<In, Out>& calls)
      : limits_(limits), calls_(calls), allowed_(limits.jobs) {}

  void Run() {
    std::thread reader;
    try {
      reader = std::thread([this] { ReadAll(); });
    } catch (const std::exception& error) {
      if (calls_.fewer_threads) calls_.fewer_threads(0, error.what());
      while (std::optional<In> item = calls_.next()) calls_.emit(calls_.work(std::move(*item)));
      return;
    }
    // One worker would only hand each item over to this thread: it converts
    // them itself, a switch of threads fewer per item.
    std::vector<std::thread> workers;
    if (limits_.jobs > 1) workers = StartWorkers();
    if (workers.empty()) {
      ConvertAndEmit();
    } else {
      WaitWhileWorkersEmit();
    }
    reader.join();
    for (std::thread& worker : workers) worker.join();
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  bool MayRead() const {
    return read_ - emitted_ < limits_.items &&
           (read_ == emitted_ || weight_in_flight_ < limits_.bytes);
  }

  void ReadAll() {
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        read_ready_.wait(lock, [&] { return MayRead(); });
      }
      std::optional<In> item;
      try {
        item = calls_.next();
      } catch (...) {
        failure_ = std::current_exception();
      }
      const uint64_t weight = item && calls_.weight ? calls_.weight(*item) : 0;
      std::lock_guard lock(mutex_);
      if (!item) {
        input_finished_ = true;
        work_ready_.notify_all();
        emit_ready_.notify_one();
        return;
      }
      weights_.push_back(weight);
      weight_in_flight_ += weight;
      queue_.emplace_back(read_++, std::move(*item));
      work_ready_.notify_one();
      if (caller_converts_) emit_ready_.notify_one();
    }
  }

  // Workers numbered `allowed_` and above leave: a pool that hit the
  // system's limits gives back part of what its threads took.
  void Work(unsigned number) {
    std::unique_lock lock(mutex_);
    for (;;) {
      work_ready_.wait(lock,
                       [&] { return !queue_.empty() || input_finished_ || number >= allowed_; });
      if (queue_.empty() || number >= allowed_) return;
      auto [index, item] = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Out out = calls_.work(std::move(item));
      lock.lock();
      done_.emplace(index, std::move(out));
      if (index == emitted_) EmitDone(lock);
    }
  }

  // Emits the items that are done, in order, from the next one on; one
  // thread at a time, the others leaving what they finish to it.
  void EmitDone(std::unique_lock<std::mutex>& lock) {
    if (emitting_ || !emission_open_) return;
    emitting_ = true;
    for (auto found = done_.find(emitted_); found != done_.end(); found = done_.find(emitted_)) {
      Out out = std::move(found->second);
      done_.erase(found);
      lock.unlock();
      calls_.emit(std::move(out));
      lock.lock();
      CountEmitted();
    }
    emitting_ = false;
    if (AllEmitted()) emit_ready_.notify_one();
  }

  bool AllEmitted() const { return input_finished_ && emitted_ == read_ && !emitting_; }

  void CountEmitted() {
    ++emitted_;
    weight_in_flight_ -= weights_.front();
    weights_.pop_front();
    // The reader is woken once half the window is free, to read several
    // items in a row, rather than once per item.
    if (read_ - emitted_ <= limits_.items / 2) read_ready_.notify_one();
  }

  // The workers emit; this thread emits what they finished while it was
  // starting them (so that `fewer_threads` is heard first), then waits.
  void WaitWhileWorkersEmit() {
    std::unique_lock lock(mutex_);
    emission_open_ = true;
    EmitDone(lock);
    emit_ready_.wait(lock, [&] { return AllEmitted(); });
  }

  std::vector<std::thread> StartWorkers() {
    std::vector<std::thread> workers;
    workers.reserve(limits_.jobs);
    for (unsigned i = 0; i < limits_.jobs; ++i) {
      try {
        workers.emplace_back([this, i] { Work(i); });
      } catch (const std::exception& error) {
        KeepHalf(workers, error.what());
        break;
      }
    }
    return workers;
  }

  // The threads took what the system had: keep half, so that pages have
  // memory left to be converted in.
  void KeepHalf(std::vector<std::thread>& workers, const std::string& why) {
    {
      std::lock_guard lock(mutex_);
      allowed_ = static_cast<unsigned>(workers.size() / 2);
    }
    work_ready_.notify_all();
    while (workers.size() > allowed_) {
      workers.back().join();
      workers.pop_back();
    }
    if (calls_.fewer_threads) calls_.fewer_threads(allowed_, why);
  }

  // Without workers, this thread converts, one item at a time, and emits
  // (first what workers that left finished).
  void ConvertAndEmit() {
    std::unique_lock lock(mutex_);
    caller_converts_ = true;
    for (;;) {
      emit_ready_.wait(
          lock, [&] { return done_.contains(emitted_) || !queue_.empty() || input_finished_; });
      std::optional<Out> out;
      if (const auto found = done_.find(emitted_); found != done_.end()) {
        out.emplace(std::move(found->second));
        done_.erase(found);
        lock.unlock();
      } else if (!queue_.empty()) {
        In item = std::move(queue_.front().second);
        queue_.pop_front();
        lock.unlock();
        out.emplace(calls_.work(std::move(item)));
      } else {
        return;
      }
      calls_.emit(std::move(*out));
      lock.lock();
      CountEmitted();
    }
  }

  const PoolLimits limits_;
  const PoolCalls<In, Out>& calls_;
  std::mutex mutex_;
  std::condition_variable read_ready_;  // the reader: MayRead() may hold
  std::condition_variable work_ready_;  // the workers: an item is queued, or the end
  // The calling thread: an item is queued (no workers), or all are emitted.
  std::condition_variable emit_ready_;
  std::deque<std::pair<uint64_t, In>> queue_;
  std::map<uint64_t, Out> done_;
  std::deque<uint64_t> weights_;  // of the items read and not yet emitted
  uint64_t weight_in_flight_ = 0;
  uint64_t read_ = 0;
  uint64_t emitted_ = 0;
  bool input_finished_ = false;
  bool emission_open_ = false;    // the workers may emit
  bool emitting_ = false;         // a thread is emitting
  bool caller_converts_ = false;  // no workers: the calling thread takes items from the queue
  unsigned allowed_;
  std::exception_ptr failure_;
};

// Calls `next` on a reader thread until it gives nothing, `work` on up to
// `limits.jobs` threads, and `emit` one call at a time, in the order `next`
// gave the items, on the worker that finished the next item (the calling
// thread when there are no workers). No item is read while `limits.items` are read but
// not yet emitted, or while those weigh `limits.bytes` or more (`weight`
// weighs an item as read). `work` and `emit` must not throw; an exception
// from `next` ends the run and is rethrown here once the items read before
// it are emitted.
//
// When not every thread can be started (the system's limits), the run goes
// on with half of those that could, leaving memory for the work:
// `fewer_threads` hears how many workers run and why not more, once, before
// the first item is emitted. With none, the calling thread does the work,
// one item at a time; so it does when one job is asked for.
template <typename In, typename Out>
void RunInOrder(const PoolLimits& limits, const std::function<std::optional<In>()>& next,
                const std::function<Out(In&&)>& work, const std::function<void(Out&&)>& emit,
                const std::function<uint64_t(const In&)>& weight = nullptr,
                const std::function<void(unsigned, const std::string&)>& fewer_threads = nullptr) {
  const PoolCalls<In, Out> calls{next, work, emit, weight, fewer_threads};
  OrderedPool<In, Out>(limits, calls).Run();
}

}  // namespace korvane::cli
