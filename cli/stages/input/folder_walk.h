// SPDX-License-Identifier: Apache-2.0
// The files of a folder tree that may hold pages, found one at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::cli {

// *.warc, *.warc.gz and *.warc.zst, in any letter case.
bool HasWarcName(const std::filesystem::path& path);

// *.html, *.htm, *.shtml, *.xhtml (each also compressed: *.html.gz,
// *.html.zst ...) and WARC names, in any letter case.
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

  // Once the walk is over: when it gave no file, why ("no page files in this
  // folder: 2 files passed over ... (a.txt, b.warc.bz2)"), so that a folder
  // of the wrong files does not pass for an empty batch.
  std::optional<std::string> NothingFound() const;

 private:
  struct Level {
    std::vector<std::filesystem::directory_entry> entries;
    size_t next = 0;
  };

  std::optional<Entry> Enter(const std::filesystem::path& folder);

  static constexpr size_t kNamesShown = 3;

  std::vector<Level> levels_;
  std::optional<std::filesystem::path> root_;
  uint64_t given_ = 0;
  uint64_t passed_over_ = 0;  // files whose names are not those of pages
  std::vector<std::string> passed_over_names_;
};

}  // namespace korvane::cli
