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
  return EndsWithAny(LowerFileName(path), {".warc", ".warc.gz", ".warc.zst"});
}

bool HasPageName(const fs::path& path) {
  std::string name = LowerFileName(path);
  for (const std::string_view compressed : {".gz", ".zst"}) {
    if (name.ends_with(compressed)) name.resize(name.size() - compressed.size());
  }
  return HasWarcName(path) || EndsWithAny(name, {".html", ".htm", ".shtml", ".xhtml"});
}

std::optional<std::string> FolderWalk::NothingFound() const {
  if (given_ > 0) return std::nullopt;
  if (passed_over_ == 0) return "no page files in this folder";
  std::string names;
  for (const std::string& name : passed_over_names_) names += (names.empty() ? "" : ", ") + name;
  if (passed_over_ > passed_over_names_.size()) names += ", ...";
  return "no page files in this folder: " + std::to_string(passed_over_) +
         (passed_over_ == 1 ? " file" : " files") +
         " passed over, as their names are not those of pages or WARC files (" + names + ")";
}

FolderWalk::FolderWalk(const fs::path& root) : root_(root) {}

std::optional<FolderWalk::Entry> FolderWalk::Enter(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  Level level;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    level.entries.push_back(*it);
  }
  if (error) {
    ++given_;  // the folder's error
    return Entry{folder, "cannot read folder: " + error.message()};
  }
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
    if (entry.is_symlink(error) && entry.is_directory(error)) continue;
    if (!HasPageName(entry.path())) {
      if (++passed_over_ <= kNamesShown) passed_over_names_.push_back(entry.path().string());
      continue;
    }
    ++given_;
    return Entry{entry.path(), {}};
  }
  return std::nullopt;
}

}  // namespace korvane::cli
