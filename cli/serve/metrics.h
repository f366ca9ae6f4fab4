// SPDX-License-Identifier: Apache-2.0
// What /metrics reports, in the Prometheus text format: requests by endpoint
// and status, pages by outcome, bytes in and out, and a latency histogram.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace korvane::serve {

enum class Endpoint { kPage, kHealth, kMetrics, kExtract, kBatch, kOther };

enum class PageOutcome { kConverted, kFailed, kAbandoned };

// Gauges read when the metrics are asked for.
struct Gauges {
  uint64_t connections = 0;
  uint64_t requests_in_flight = 0;
  uint64_t pages_waiting = 0;
  uint64_t workers_busy = 0;
};

class Metrics {
 public:
  // Upper bounds of the latency buckets, in seconds.
  static constexpr std::array<double, 14> kBuckets = {
      0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

  // A request answered: from its head's arrival to its answer's last byte.
  void CountRequest(Endpoint endpoint, int status, double seconds, uint64_t bytes_in,
                    uint64_t bytes_out);
  void CountPage(PageOutcome outcome);
  // A connection past --max-connections, turned away.
  void CountRefused();
  std::string Text(const Gauges& gauges) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<Endpoint, int>, uint64_t> requests_;
  std::array<uint64_t, 3> pages_{};
  uint64_t refused_ = 0;
  uint64_t bytes_in_ = 0;
  uint64_t bytes_out_ = 0;
  std::array<uint64_t, kBuckets.size() + 1> buckets_{};  // the last: +Inf alone
  double seconds_sum_ = 0;
};

}  // namespace korvane::serve
