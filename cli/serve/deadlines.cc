// SPDX-License-Identifier: Apache-2.0
#include "deadlines.h"

namespace korvane::serve {

Deadlines::Deadlines(std::chrono::seconds limit) : limit_(limit), watcher_([this] { Watch(); }) {}

Deadlines::~Deadlines() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  watcher_.join();
}

// Deadlines are armed in the order they fall due, so only arming the first
// one can move the watcher's next wake-up earlier.
void Deadlines::Arm(const std::shared_ptr<Peer>& peer) {
  bool first;
  {
    std::lock_guard lock(mutex_);
    first = armed_.empty();
    armed_[peer.get()] = {Clock::now() + limit_, peer};
  }
  if (first) changed_.notify_all();
}

void Deadlines::Disarm(const Peer* peer) {
  std::lock_guard lock(mutex_);
  armed_.erase(peer);
}

void Deadlines::CutOffLate(Clock::time_point now) {
  for (auto it = armed_.begin(); it != armed_.end();) {
    if (it->second.deadline > now) {
      ++it;
      continue;
    }
    it->second.peer->CutOff();
    it = armed_.erase(it);
  }
}

void Deadlines::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    CutOffLate(Clock::now());
    if (armed_.empty()) {
      changed_.wait(lock);
      continue;
    }
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [peer, armed] : armed_) next = std::min(next, armed.deadline);
    changed_.wait_until(lock, next);
  }
}

}  // namespace korvane::serve
