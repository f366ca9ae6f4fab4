// SPDX-License-Identifier: Apache-2.0
// One client connection, as the workers and the deadline watch see it: a
// duplicate of its socket, so that a worker can ask whether the client is
// still there and the watch can cut it off without racing the HTTP library,
// which closes its own descriptor when it likes.
#pragma once

#include <mutex>

namespace korvane::serve {

class Peer {
 public:
  // `admitted`: within --max-connections; the others get 503.
  Peer(int socket, bool admitted);
  ~Peer();
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool admitted() const { return admitted_; }
  // The client closed or reset the connection, or the library closed it.
  bool Gone() const;
  // Ends the connection both ways: the library reads its end and closes it.
  void CutOff();
  // The library closed the connection: the duplicate is closed too, so that
  // nothing keeps the socket open.
  void Closed();

 private:
  mutable std::mutex mutex_;
  int socket_;  // the duplicate; -1 once closed
  const bool admitted_;
};

}  // namespace korvane::serve
