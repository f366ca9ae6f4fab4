// SPDX-License-Identifier: Apache-2.0
// A request to stop a batch early: SIGINT or SIGTERM, or standard output
// that cannot be written. Reading ends, what is in flight is finished and
// written, and the summary says why the batch stopped.
#pragma once

namespace korvane::cli {

// `signal`: the signal that asked for it, or 0.
void RequestStop(int signal = 0);
bool StopRequested();
// The signal that asked for the stop, or 0.
int StopSignal();

}  // namespace korvane::cli
