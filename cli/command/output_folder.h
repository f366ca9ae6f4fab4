// SPDX-License-Identifier: Apache-2.0
// Record files under --output-dir, each written whole or not at all.
#pragma once

#include <string>
#include <string_view>

namespace korvane::cli {

// A record goes to a temporary file beside its name (created anew, never
// opened if it exists) and is renamed over its name once written whole, so
// that a record file is always a whole record: of this run, or of whatever
// was there before. Folders below the root are entered without following
// symbolic links, and a link in a record's place is replaced, not followed:
// nothing is written outside the root.
class OutputFolder {
 public:
  explicit OutputFolder(std::string root);
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Writes `bytes` to `relative` ("pages/a.html.txt"), creating folders.
  // Returns the reason when it cannot, having left nothing behind.
  std::string Write(const std::string& relative, std::string_view bytes);

 private:
  int OpenRoot(std::string* error);

  std::string root_;
  int root_fd_ = -1;
};

}  // namespace korvane::cli
