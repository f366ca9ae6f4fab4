// SPDX-License-Identifier: Apache-2.0
#include "progress.h"

#include <cstdio>
#include <filesystem>

#include "input/folder_walk.h"

namespace korvane::cli {
namespace fs = std::filesystem;
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

uint64_t FileSize(const fs::path& path) {
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

}  // namespace

Progress::Progress(bool enabled, std::vector<std::string> paths)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()) {
  if (!enabled_) return;
  try {
    StartSizer(std::move(paths));
  } catch (const std::exception&) {
    // No thread to spare: the bar goes without the time left.
  }
}

void Progress::StartSizer(std::vector<std::string> paths) {
  sizer_ = std::thread([this, paths = std::move(paths)] {
    uint64_t total = 0;
    for (const std::string& path : paths) {
      std::error_code error;
      if (path == "-") return;  // a stream of unknown length
      if (!fs::is_directory(path, error)) {
        total += FileSize(path);
        continue;
      }
      FolderWalk walk(path);
      while (std::optional<FolderWalk::Entry> entry = walk.Next()) {
        if (stop_) return;
        total += FileSize(entry->path);
      }
    }
    total_bytes_ = total;
    total_known_ = !paths.empty();
  });
}

Progress::~Progress() {
  Clear();
  stop_ = true;
  if (sizer_.joinable()) sizer_.join();
}

void Progress::Update(uint64_t pages, uint64_t input_bytes) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  Draw(pages, input_bytes);
}

void Progress::Draw(uint64_t pages, uint64_t input_bytes) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::string left = "time left ?";
  const uint64_t total = total_bytes_;
  if (total_known_ && input_bytes > 0 && total >= input_bytes) {
    left = "time left " + Duration(seconds * static_cast<double>(total - input_bytes) /
                                   static_cast<double>(input_bytes));
  }
  std::fprintf(stderr, "\r%llu pages  %.1f MB  %.0f pages/s  %s\033[K",
               static_cast<unsigned long long>(pages), static_cast<double>(input_bytes) / 1e6,
               seconds > 0 ? static_cast<double>(pages) / seconds : 0.0, left.c_str());
  std::fflush(stderr);
  shown_ = true;
}

void Progress::Clear() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace korvane::cli
