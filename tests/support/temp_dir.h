// SPDX-License-Identifier: Apache-2.0
// Folders and files that tests and benchmarks make for one run.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvane::test_support {

// A fresh folder, removed with everything in it at the end of its scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `relative` (creating folders); returns the full path.
  std::string Write(const std::string& relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);

}  // namespace korvane::test_support
