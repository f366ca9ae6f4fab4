// SPDX-License-Identifier: Apache-2.0
#include "input/folder_walk.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "ascii.h"

namespace korvane::cli {
namespace fs = std::filesystem;

namespace {

std::string LowerFileName(const fs::path& path) { return AsciiLowered(path.filename().string()); }

bool EndsWithAny(const std::string& name, std::initializer_list<std::string_view> endings) {
  return std::any_of(endings.begin(), endings.end(), [&](std::string_view ending) {
    return name.size() > ending.size() && name.ends_with(ending);
  });
}

}  // namespace

bool HasWarcName(const fs::path& path) {
  return EndsWithAny(LowerFileName(path), {".warc", ".warc.gz"});
}

bool HasPageName(const fs::path& path) {
  return HasWarcName(path) ||
         EndsWithAny(LowerFileName(path), {".html", ".htm", ".shtml", ".xhtml"});
}

FolderWalk::FolderWalk(const fs::path& root) : root_(root) {}

std::optional<FolderWalk::Entry> FolderWalk::Enter(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  Level level;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    level.entries.push_back(*it);
  }
  if (error) return Entry{folder, "cannot read folder: " + error.message()};
  std::sort(level.entries.begin(), level.entries.end());
  levels_.push_back(std::move(level));
  return std::nullopt;
}

std::optional<FolderWalk::Entry> FolderWalk::Next() {
  if (root_) {
    const fs::path root = *std::exchange(root_, std::nullopt);
    if (std::optional<Entry> failed = Enter(root)) return failed;
  }
  while (!levels_.empty()) {
    Level& level = levels_.back();
    if (level.next == level.entries.size()) {
      levels_.pop_back();
      continue;
    }
    const fs::directory_entry& entry = level.entries[level.next++];
    std::error_code error;
    if (entry.is_symlink(error) ? false : entry.is_directory(error)) {
      const fs::path folder = entry.path();
      if (std::optional<Entry> failed = Enter(folder)) return failed;
      continue;
    }
    if (!HasPageName(entry.path())) continue;
    if (entry.is_symlink(error) && entry.is_directory(error)) continue;
    return Entry{entry.path(), {}};
  }
  return std::nullopt;
}

}  // namespace korvane::cli
