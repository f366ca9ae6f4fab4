// SPDX-License-Identifier: Apache-2.0
// The files of a folder tree that may hold pages, found one at a time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::cli {

// *.warc and *.warc.gz, in any letter case.
bool HasWarcName(const std::filesystem::path& path);

// *.html, *.htm, *.shtml, *.xhtml and WARC names, in any letter case.
bool HasPageName(const std::filesystem::path& path);

// Depth first, each folder's entries in name order, so that the order of a
// batch does not depend on the file system. Only one folder's names are held
// at each level. Links to folders are not followed (they could loop). Every
// file with a page's name is given, whatever its type: the reader refuses
// what is not a regular file (FileReader::Kinds::kRegularOnly), so that the
// batch says what it did not read.
class FolderWalk {
 public:
  struct Entry {
    std::filesystem::path path;
    std::string error;  // set: this folder could not be read
  };

  explicit FolderWalk(const std::filesystem::path& root);
  std::optional<Entry> Next();

 private:
  struct Level {
    std::vector<std::filesystem::directory_entry> entries;
    size_t next = 0;
  };

  std::optional<Entry> Enter(const std::filesystem::path& folder);

  std::vector<Level> levels_;
  std::optional<std::filesystem::path> root_;
};

}  // namespace korvane::cli
