// SPDX-License-Identifier: Apache-2.0
#include "metrics.h"

#include <algorithm>
#include <cstdio>

namespace korvane::serve {
namespace {

const char* EndpointName(Endpoint endpoint) {
  switch (endpoint) {
    case Endpoint::kPage:
      return "/";
    case Endpoint::kHealth:
      return "/healthz";
    case Endpoint::kMetrics:
      return "/metrics";
    case Endpoint::kExtract:
      return "/v1/extract";
    case Endpoint::kBatch:
      return "/v1/batch";
    case Endpoint::kOther:
      break;
  }
  return "other";
}

constexpr std::array<const char*, 3> kOutcomeNames = {"converted", "failed", "abandoned"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

void Head(std::string& out, const char* name, const char* type, const char* help) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

void Sample(std::string& out, const std::string& name, uint64_t value) {
  out += name + " " + std::to_string(value) + "\n";
}

}  // namespace

void Metrics::CountRequest(Endpoint endpoint, int status, double seconds, uint64_t bytes_in,
                           uint64_t bytes_out) {
  const size_t bucket =
      std::lower_bound(kBuckets.begin(), kBuckets.end(), seconds) - kBuckets.begin();
  std::lock_guard lock(mutex_);
  ++requests_[{endpoint, status}];
  bytes_in_ += bytes_in;
  bytes_out_ += bytes_out;
  ++buckets_[bucket];
  seconds_sum_ += seconds;
}

void Metrics::CountPage(PageOutcome outcome) {
  std::lock_guard lock(mutex_);
  ++pages_[static_cast<size_t>(outcome)];
}

void Metrics::CountRefused() {
  std::lock_guard lock(mutex_);
  ++refused_;
}

std::string Metrics::Text(const Gauges& gauges) const {
  std::lock_guard lock(mutex_);
  std::string out;
  Head(out, "korvane_http_requests_total", "counter",
       "Requests answered, by endpoint and HTTP status.");
  for (const auto& [key, count] : requests_) {
    Sample(out,
           std::string("korvane_http_requests_total{endpoint=\"") + EndpointName(key.first) +
               "\",status=\"" + std::to_string(key.second) + "\"}",
           count);
  }
  Head(out, "korvane_pages_total", "counter",
       "Pages by outcome: converted, failed (no page), abandoned (the client left).");
  for (size_t i = 0; i < pages_.size(); ++i) {
    Sample(out, std::string("korvane_pages_total{outcome=\"") + kOutcomeNames[i] + "\"}",
           pages_[i]);
  }
  Head(out, "korvane_connections_refused_total", "counter",
       "Connections past --max-connections, answered 503 and closed.");
  Sample(out, "korvane_connections_refused_total", refused_);
  Head(out, "korvane_request_bytes_total", "counter", "Bytes of request bodies.");
  Sample(out, "korvane_request_bytes_total", bytes_in_);
  Head(out, "korvane_response_bytes_total", "counter", "Bytes of answer bodies.");
  Sample(out, "korvane_response_bytes_total", bytes_out_);
  Head(out, "korvane_request_duration_seconds", "histogram",
       "From a request's head arriving to its answer's last byte.");
  uint64_t cumulative = 0;
  for (size_t i = 0; i < kBuckets.size(); ++i) {
    cumulative += buckets_[i];
    Sample(out, "korvane_request_duration_seconds_bucket{le=\"" + Number(kBuckets[i]) + "\"}",
           cumulative);
  }
  cumulative += buckets_.back();
  Sample(out, "korvane_request_duration_seconds_bucket{le=\"+Inf\"}", cumulative);
  out += "korvane_request_duration_seconds_sum " + Number(seconds_sum_) + "\n";
  Sample(out, "korvane_request_duration_seconds_count", cumulative);
  Head(out, "korvane_connections", "gauge", "Open connections.");
  Sample(out, "korvane_connections", gauges.connections);
  Head(out, "korvane_requests_in_flight", "gauge",
       "Requests whose head has arrived and whose answer is not yet sent.");
  Sample(out, "korvane_requests_in_flight", gauges.requests_in_flight);
  Head(out, "korvane_pages_waiting", "gauge", "Pages waiting for a worker.");
  Sample(out, "korvane_pages_waiting", gauges.pages_waiting);
  Head(out, "korvane_workers_busy", "gauge", "Workers converting a page.");
  Sample(out, "korvane_workers_busy", gauges.workers_busy);
  return out;
}

}  // namespace korvane::serve
