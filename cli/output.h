// The last stage: results, in input order, to standard output or to files
// under --output-dir; messages and the progress bar on standard error; the
// summary and the exit status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "convert.h"
#include "progress.h"

namespace korvane::cli {

struct OutputSettings {
  Format format = Format::kRecord;
  std::string output_dir;   // set: one record file per page, nothing on stdout
  bool flush_each = false;  // streaming: every line leaves at once
  bool verbose = false;
  bool summary = false;  // a batch: end with the summary line
};

class Writer {
 public:
  Writer(OutputSettings settings, Progress& progress, std::FILE* out = stdout);

  void Write(Result&& result);
  // Prints the summary (when asked for) and gives the exit status.
  int Finish();

 private:
  void Report(const std::string& source, const std::string& message);
  bool WriteFile(const Result& result);
  void WriteOut(const std::string& text);

  OutputSettings settings_;
  Progress& progress_;
  std::FILE* out_;
  uint64_t converted_ = 0;
  uint64_t failed_ = 0;
  uint64_t skipped_ = 0;
  uint64_t input_bytes_ = 0;
  bool output_failed_ = false;
};

}  // namespace korvane::cli
