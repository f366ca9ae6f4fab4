// SPDX-License-Identifier: Apache-2.0
// POST /v1/batch: the JSON lines of a request body converted on the shared
// workers a window at a time, and streamed back as JSON lines in their
// order, as `korvane --stdin-jsonl` writes them. Only the body and the
// window's answers are held, whatever the number of pages.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "korvane.h"
#include "metrics.h"
#include "peer.h"
#include "worker_pool.h"

namespace korvane::serve {

struct BatchContext {
  WorkerPool* pool = nullptr;
  Metrics* metrics = nullptr;
  std::shared_ptr<Peer> peer;
  Algorithm algorithm = Algorithm::kBlock;
  size_t window = 8;  // pages converted or converting but not yet sent, at most
  // Stop and restart the connection's answer while the next line is not ready.
  std::function<void()> suspend;
  std::function<void()> resume;
};

class Batch : public std::enable_shared_from_this<Batch> {
 public:
  // What Read gives besides a count of bytes.
  static constexpr ssize_t kEnd = -1;     // every line is sent
  static constexpr ssize_t kBroken = -2;  // the client left: end the answer

  Batch(std::string body, BatchContext context);

  // Queues the first window of pages.
  void Start();
  // Up to `size` bytes of the answer, on the HTTP library's thread. 0 when
  // the next line is not converted yet: the connection is then suspended,
  // and resumed once it is.
  ssize_t Read(char* buffer, size_t size);
  // The answer is dropped: pages not yet converted are left alone.
  void Cancel();
  uint64_t bytes_sent() const;

 private:
  struct Line {
    std::string_view text;
    uint64_t number;  // counting blank lines, as --stdin-jsonl counts them
  };
  std::optional<Line> NextLine();
  void SubmitMore();
  void Convert(uint64_t index, Line line);
  void Done(uint64_t index, std::string text);

  const std::string body_;
  BatchContext context_;
  mutable std::mutex mutex_;
  size_t cursor_ = 0;  // where the next line begins in body_
  uint64_t line_number_ = 0;
  uint64_t submitted_ = 0;  // pages queued so far
  uint64_t emitted_ = 0;    // answers moved to current_ so far
  std::map<uint64_t, std::string> done_;
  std::string current_;  // the answer line being sent
  size_t offset_ = 0;    // bytes of current_ sent
  uint64_t bytes_sent_ = 0;
  bool waiting_ = false;  // suspended until done_ holds emitted_
  bool cancelled_ = false;
};

}  // namespace korvane::serve
