// SPDX-License-Identifier: Apache-2.0
// SIGTERM and SIGINT as a request to stop serving: the first is written to
// a pipe that the main thread waits on; a second one meets the default
// action and ends the program at once.
#pragma once

namespace korvane::serve {

class StopSignals {
 public:
  // Installs the handlers; SIGPIPE is ignored (a client that left is the
  // connection's error, never the program's end).
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Blocks until the first signal; returns it.
  int Wait();
};

}  // namespace korvane::serve
