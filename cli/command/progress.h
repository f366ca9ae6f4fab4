// SPDX-License-Identifier: Apache-2.0
// A one-line progress bar on standard error: pages, MB, pages/s, time left.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace korvane::cli {

class Progress {
 public:
  // Disabled: every call does nothing. Enabled: a background thread adds up
  // the sizes of `paths` (walking folders) so that time left can be shown.
  Progress(bool enabled, std::vector<std::string> paths);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Redraws at most ten times a second.
  void Update(uint64_t pages, uint64_t input_bytes);
  // Removes the bar, so that a message can take its line.
  void Clear();

 private:
  void Draw(uint64_t pages, uint64_t input_bytes);
  void StartSizer(std::vector<std::string> paths);

  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
  std::atomic<uint64_t> total_bytes_{0};
  std::atomic<bool> total_known_{false};
  std::atomic<bool> stop_{false};
  std::thread sizer_;
};

}  // namespace korvane::cli
