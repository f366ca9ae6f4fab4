#include "stop.h"

#include <atomic>
#include <csignal>

namespace korvane::cli {
namespace {

// Lock-free, so that the signal handler may touch them.
std::atomic<bool> stop_requested{false};
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) { RequestStop(signal); }

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  // No SA_RESTART: a blocking call returns, and its caller looks at the flag.
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void RequestStop(int signal) {
  if (signal != 0) {
    int none = 0;
    stop_signal.compare_exchange_strong(none, signal);
  }
  stop_requested = true;
}

bool StopRequested() { return stop_requested; }

int StopSignal() { return stop_signal; }

}  // namespace korvane::cli
