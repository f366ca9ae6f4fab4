// SPDX-License-Identifier: Apache-2.0
// The command line's inputs as one stream of pages, in order: files, folders
// (walked), WARC files (record by record), standard input ("-"), or JSON
// lines on standard input. Only the page being handed out is in memory, and
// no page larger than the limit.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/folder_walk.h"
#include "input/input.h"
#include "input/jsonl_input.h"
#include "input/warc.h"

namespace korvane::cli {

// Where under --output-dir the record of a file goes: its path with the root
// and "." parts left out, then ".txt" ("pages/a.html" → "pages/a.html.txt").
// So that distinct relative paths never share a name, a ".." part is
// written "%2E%2E" and a part that begins with "%" begins with "%25".
std::string MirrorName(const std::string& path);

struct InputSettings {
  std::vector<std::string> paths;  // none: standard input
  bool jsonl = false;              // standard input holds JSON lines
  uint64_t max_page_size = kDefaultMaxPageSize;
  // --output-dir: an input whose record file would be that of an earlier
  // input (the same path given twice, "-" twice, "/x" and "x") is an error.
  bool distinct_outputs = false;
  // The paths were found by walking a folder (elsewhere, as a Dask client
  // does): a special file is refused unread, as within a folder given here.
  bool walked = false;
  // Pages that lie whole in a regular file (a plain page, the body of a
  // plain WARC record without codings) may come as slices (Input::slice),
  // for the thread that converts them to read.
  bool slices = false;
};

class Inputs {
 public:
  explicit Inputs(InputSettings settings);
  ~Inputs();

  // True when the inputs are one page: one file or standard input, neither
  // a folder nor a WARC file, and not JSON lines. Reads the first input.
  bool SinglePage();

  // The next input; nothing at the end, or once a stop is asked for. An
  // input that cannot be read is an error input, never an exception.
  std::optional<Input> Next();

 private:
  std::optional<Input> Read();
  std::optional<Input> NextGuarded();
  std::optional<Input> Open(const std::string& path, FileReader::Kinds kinds);
  std::optional<Input> OpenStandardInput();
  std::optional<Input> FromReader(std::unique_ptr<FileReader> reader, const std::string& name,
                                  const std::string& output_base, bool warc_name);
  std::optional<Input> StartWarc(std::unique_ptr<ByteReader> input, const std::string& name,
                                 const std::string& output_base);
  std::optional<std::string> EarlierOwner(const std::string& output_name) const;

  InputSettings settings_;
  size_t next_path_ = 0;
  std::optional<FolderWalk> walk_;
  std::string walk_root_;  // the folder walk_ walks, as given
  std::unique_ptr<WarcReader> warc_;
  std::unique_ptr<JsonLines> jsonl_;
  std::optional<Input> first_;  // read ahead by SinglePage
  bool batch_ = false;          // a folder or a WARC file was met
  // --output-dir: the record names of the inputs given before the current
  // one (without ".txt"), and those inputs as given.
  std::map<std::string, std::string> earlier_;
  std::string current_key_;
};

}  // namespace korvane::cli
