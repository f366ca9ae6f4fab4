// SPDX-License-Identifier: Apache-2.0
// A request to stop a batch early: SIGINT or SIGTERM, or standard output
// that cannot be written. Reading ends, what is in flight is finished and
// written, and the summary says why the batch stopped.
#pragma once

#include <functional>

namespace korvane::cli {

// `signal`: the signal that asked for it, or 0.
void RequestStop(int signal = 0);
// Also true, on a thread, while a ThreadStopCheck of that thread says so.
bool StopRequested();
// The signal that asked for the stop, or 0.
int StopSignal();

// A stop that only the thread's host learns of (a Python KeyboardInterrupt):
// while it lives, StopRequested() on the thread that made it also asks
// `check`, which is called often and should be cheap.
class ThreadStopCheck {
 public:
  explicit ThreadStopCheck(std::function<bool()> check);
  ~ThreadStopCheck();
  ThreadStopCheck(const ThreadStopCheck&) = delete;
  ThreadStopCheck& operator=(const ThreadStopCheck&) = delete;

  bool Stopped() const { return check_(); }

 private:
  std::function<bool()> check_;
  ThreadStopCheck* outer_;
};

}  // namespace korvane::cli
