// SPDX-License-Identifier: Apache-2.0
#include "input/stop.h"

#include <atomic>
#include <utility>

namespace korvane::cli {
namespace {

// Lock-free, so that a signal handler may touch them.
std::atomic<bool> stop_requested{false};
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

thread_local ThreadStopCheck* thread_check = nullptr;

}  // namespace

void RequestStop(int signal) {
  if (signal != 0) {
    int none = 0;
    stop_signal.compare_exchange_strong(none, signal);
  }
  stop_requested = true;
}

bool StopRequested() {
  return stop_requested || (thread_check != nullptr && thread_check->Stopped());
}

int StopSignal() { return stop_signal; }

ThreadStopCheck::ThreadStopCheck(std::function<bool()> check)
    : check_(std::move(check)), outer_(thread_check) {
  thread_check = this;
}

ThreadStopCheck::~ThreadStopCheck() { thread_check = outer_; }

}  // namespace korvane::cli
