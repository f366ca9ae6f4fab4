// The command line's inputs as one stream of pages, in order: files, folders
// (walked), WARC files (record by record), standard input ("-"), or JSON
// lines on standard input. Only the page being handed out is in memory.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "folder_walk.h"
#include "input.h"
#include "jsonl_input.h"
#include "warc.h"

namespace korvane::cli {

// Where under --output-dir the record of a file goes: its path with the root
// and any ".." left out, then ".txt" ("pages/a.html" → "pages/a.html.txt").
std::string MirrorName(const std::string& path);

class Inputs {
 public:
  // No paths: standard input. `jsonl`: standard input holds JSON lines.
  Inputs(std::vector<std::string> paths, bool jsonl);
  ~Inputs();

  // True when the inputs are one page: one file or standard input, neither
  // a folder nor a WARC file, and not JSON lines. Reads the first input.
  bool SinglePage();

  std::optional<Input> Next();

 private:
  std::optional<Input> Read();
  std::optional<Input> Open(const std::string& path);
  std::optional<Input> OpenStandardInput();
  std::optional<Input> FromReader(std::unique_ptr<FileReader> reader, const std::string& name,
                                  const std::string& output_base, bool warc_name);

  std::vector<std::string> paths_;
  size_t next_path_ = 0;
  std::optional<FolderWalk> walk_;
  std::unique_ptr<WarcReader> warc_;
  std::unique_ptr<JsonLines> jsonl_;
  std::optional<Input> first_;  // read ahead by SinglePage
  bool batch_ = false;          // a folder or a WARC file was met
};

}  // namespace korvane::cli
