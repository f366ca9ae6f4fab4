// SPDX-License-Identifier: Apache-2.0
#include "stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace korvane::serve {
namespace {

int pipe_ends[2] = {-1, -1};

extern "C" void OnServeStopSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = write(pipe_ends[1], &byte, 1);
  errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
  struct sigaction action {};
  action.sa_handler = OnServeStopSignal;
  action.sa_flags = SA_RESETHAND | SA_RESTART;  // a second signal: the default action
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals() {
  close(pipe_ends[0]);
  close(pipe_ends[1]);
}

int StopSignals::Wait() {
  unsigned char byte = 0;
  while (read(pipe_ends[0], &byte, 1) != 1) {
    if (errno != EINTR) return 0;
  }
  return byte;
}

}  // namespace korvane::serve
