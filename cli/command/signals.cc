// SPDX-License-Identifier: Apache-2.0
#include "signals.h"

#include <csignal>

#include "input/stop.h"

namespace korvane::cli {
namespace {

extern "C" void OnStopSignal(int signal) { RequestStop(signal); }

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  // SA_RESETHAND: a second signal meets the default action. No SA_RESTART:
  // a blocking call returns, and its caller looks at the flag.
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace korvane::cli
