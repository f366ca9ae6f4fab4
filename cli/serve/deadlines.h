// SPDX-License-Identifier: Apache-2.0
// The time a connection has to send a whole request, head and body: a
// client that sends a byte now and then (slowloris) never looks idle, so
// the HTTP library's idle timeout alone would keep it forever.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "peer.h"

namespace korvane::serve {

class Deadlines {
 public:
  explicit Deadlines(std::chrono::seconds limit);
  ~Deadlines();
  Deadlines(const Deadlines&) = delete;
  Deadlines& operator=(const Deadlines&) = delete;

  // `peer` is ready for a request (accepted, or its last answer sent): it is
  // cut off unless the request is in within the limit.
  void Arm(const std::shared_ptr<Peer>& peer);
  // Its request is in, or it is closed: no deadline until armed again.
  void Disarm(const Peer* peer);

 private:
  using Clock = std::chrono::steady_clock;
  struct Armed {
    Clock::time_point deadline;
    std::shared_ptr<Peer> peer;
  };
  void Watch();
  void CutOffLate(Clock::time_point now);

  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<const Peer*, Armed> armed_;
  bool stopping_ = false;
  std::thread watcher_;
};

}  // namespace korvane::serve
