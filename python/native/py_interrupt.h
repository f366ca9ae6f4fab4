// SPDX-License-Identifier: Apache-2.0
// Ctrl-C while the GIL is released: the command line's readers, waiting on a
// stream (a FIFO, a terminal), ask whether to stop every 100 ms; for Python,
// that is whether a signal handler raised (KeyboardInterrupt).
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <optional>

#include "input/stop.h"

namespace korvane::python {

// While it lives, the readers of the thread that made it stop once Python's
// signal handlers raise. They are run with the GIL taken, at most every
// 100 ms, so that reading that does not wait never takes it.
class InterruptCheck {
 public:
  InterruptCheck();

  bool interrupted() const { return error_.has_value(); }
  // Raises what a handler raised, if any; the GIL must be held.
  void RaiseIfInterrupted();

 private:
  bool Interrupted();

  std::chrono::steady_clock::time_point next_check_;
  std::optional<pybind11::error_already_set> error_;
  cli::ThreadStopCheck stop_check_;
};

}  // namespace korvane::python
