// Work on a pool of threads whose results come out in input order, with a
// bounded number of items and bytes in flight so that memory stays bounded
// too.
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

// Calls `next` on a reader thread until it gives nothing, `work` on up to
// `limits.jobs` threads, and `emit` on the calling thread, in the order
// `next` gave the items. No item is read while `limits.items` are read but
// not yet emitted, or while those weigh `limits.bytes` or more (`weight`
// weighs an item as read). `work` and `emit` must not throw; an exception
// from `next` ends the run and is rethrown here once the items read before
// it are emitted.
//
// When not every thread can be started (the system's limits), the run goes
// on with half of those that could, leaving memory for the work:
// `fewer_threads` hears how many workers run and why not more, once, before
// the first item is emitted. With none, the calling thread does the work,
// one item at a time.
template <typename In, typename Out>
void RunInOrder(const PoolLimits& limits, const std::function<std::optional<In>()>& next,
                const std::function<Out(In&&)>& work, const std::function<void(Out&&)>& emit,
                const std::function<uint64_t(const In&)>& weight = nullptr,
                const std::function<void(unsigned, const std::string&)>& fewer_threads = nullptr) {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<uint64_t, In>> queue;
  std::map<uint64_t, Out> done;
  std::deque<uint64_t> weights;  // of the items read and not yet emitted
  uint64_t weight_in_flight = 0;
  uint64_t read = 0;
  uint64_t emitted = 0;
  bool input_finished = false;
  std::exception_ptr failure;

  // Workers numbered `allowed` and above leave: a pool that hit the
  // system's limits gives back part of what its threads took.
  unsigned allowed = limits.jobs;
  const auto worker_loop = [&](unsigned number) {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return !queue.empty() || input_finished || number >= allowed; });
      if (queue.empty() || number >= allowed) return;
      auto [index, item] = std::move(queue.front());
      queue.pop_front();
      lock.unlock();
      Out out = work(std::move(item));
      lock.lock();
      done.emplace(index, std::move(out));
      changed.notify_all();
    }
  };
  const auto reader_loop = [&] {
    for (;;) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] {
          return read - emitted < limits.items &&
                 (read == emitted || weight_in_flight < limits.bytes);
        });
      }
      std::optional<In> item;
      try {
        item = next();
      } catch (...) {
        failure = std::current_exception();
      }
      const uint64_t item_weight = item && weight ? weight(*item) : 0;
      std::lock_guard lock(mutex);
      if (!item) {
        input_finished = true;
        changed.notify_all();
        return;
      }
      weights.push_back(item_weight);
      weight_in_flight += item_weight;
      queue.emplace_back(read++, std::move(*item));
      changed.notify_all();
    }
  };

  std::thread reader;
  try {
    reader = std::thread(reader_loop);
  } catch (const std::exception& error) {
    if (fewer_threads) fewer_threads(0, error.what());
    while (std::optional<In> item = next()) emit(work(std::move(*item)));
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(limits.jobs);
  for (unsigned i = 0; i < limits.jobs; ++i) {
    try {
      workers.emplace_back(worker_loop, i);
    } catch (const std::exception& error) {
      // The threads took what the system had: keep half, so that pages
      // have memory left to be converted in.
      {
        std::lock_guard lock(mutex);
        allowed = static_cast<unsigned>(workers.size() / 2);
      }
      changed.notify_all();
      while (workers.size() > allowed) {
        workers.back().join();
        workers.pop_back();
      }
      if (fewer_threads) fewer_threads(allowed, error.what());
      break;
    }
  }

  // Without workers this thread converts too, one item at a time.
  const bool convert_here = workers.empty();
  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock, [&] {
      return done.contains(emitted) || (convert_here && !queue.empty()) ||
             (input_finished && emitted == read);
    });
    std::optional<Out> out;
    if (const auto found = done.find(emitted); found != done.end()) {
      out.emplace(std::move(found->second));
      done.erase(found);
      lock.unlock();
    } else if (convert_here && !queue.empty()) {
      In item = std::move(queue.front().second);
      queue.pop_front();
      lock.unlock();
      out.emplace(work(std::move(item)));
    } else {
      break;
    }
    emit(std::move(*out));
    lock.lock();
    ++emitted;
    weight_in_flight -= weights.front();
    weights.pop_front();
    changed.notify_all();
  }
  lock.unlock();
  reader.join();
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace korvane::cli
