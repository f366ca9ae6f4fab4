// SPDX-License-Identifier: Apache-2.0
#include "peer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::serve {

Peer::Peer(int socket, bool admitted)
    : socket_(fcntl(socket, F_DUPFD_CLOEXEC, 0)), admitted_(admitted) {}

Peer::~Peer() { Closed(); }

bool Peer::Gone() const {
  std::lock_guard lock(mutex_);
  if (socket_ < 0) return true;
  pollfd poll_fd{socket_, POLLRDHUP, 0};
  // A client that closed its side sent all it will: it waits for nothing.
  return poll(&poll_fd, 1, 0) == 1 && (poll_fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void Peer::CutOff() {
  std::lock_guard lock(mutex_);
  if (socket_ >= 0) shutdown(socket_, SHUT_RDWR);
}

void Peer::Closed() {
  std::lock_guard lock(mutex_);
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
}

}  // namespace korvane::serve
