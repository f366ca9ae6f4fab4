// Work on a pool of threads whose results come out in input order, with a
// bounded number of items in flight so that memory stays bounded too.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace korvane::cli {

// Calls `next` on a reader thread until it gives nothing, `work` on `jobs`
// threads, and `emit` on the calling thread, in the order `next` gave the
// items. At most `window` items are read but not yet emitted. `work` and
// `emit` must not throw; an exception from `next` ends the run and is
// rethrown here once the items read before it are emitted.
template <typename In, typename Out>
void RunInOrder(unsigned jobs, size_t window, const std::function<std::optional<In>()>& next,
                const std::function<Out(In&&)>& work, const std::function<void(Out&&)>& emit) {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<uint64_t, In>> queue;
  std::map<uint64_t, Out> done;
  uint64_t read = 0;
  uint64_t emitted = 0;
  bool input_finished = false;
  std::exception_ptr failure;

  std::thread reader([&] {
    for (;;) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return read - emitted < window; });
      }
      std::optional<In> item;
      try {
        item = next();
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard lock(mutex);
      if (!item) {
        input_finished = true;
        changed.notify_all();
        return;
      }
      queue.emplace_back(read++, std::move(*item));
      changed.notify_all();
    }
  });

  std::vector<std::thread> workers;
  for (unsigned i = 0; i < jobs; ++i) {
    workers.emplace_back([&] {
      std::unique_lock lock(mutex);
      for (;;) {
        changed.wait(lock, [&] { return !queue.empty() || input_finished; });
        if (queue.empty()) return;
        auto [index, item] = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        Out out = work(std::move(item));
        lock.lock();
        done.emplace(index, std::move(out));
        changed.notify_all();
      }
    });
  }

  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock,
                 [&] { return done.contains(emitted) || (input_finished && emitted == read); });
    const auto found = done.find(emitted);
    if (found == done.end()) break;
    Out out = std::move(found->second);
    done.erase(found);
    lock.unlock();
    emit(std::move(out));
    lock.lock();
    ++emitted;
    changed.notify_all();
  }
  lock.unlock();
  reader.join();
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace korvane::cli
