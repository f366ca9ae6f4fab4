// SPDX-License-Identifier: Apache-2.0
// The last stage: results, in input order, to standard output or to files
// under --output-dir; messages and the progress bar on standard error; the
// summary and the exit status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "convert/convert.h"
#include "output_folder.h"
#include "progress.h"

namespace korvane::cli {

struct OutputSettings {
  Format format = Format::kRecord;
  bool single_page = false;  // one page: its record alone, nothing added
  std::string output_dir;    // set: one record file per page, nothing on stdout
  bool verbose = false;
  bool summary = false;  // a batch: end with the summary line
};

// Several records on standard output are each ended by this byte: no record
// holds it (a U+0000 in one is written as U+FFFD), and an input that fails
// gives an empty record, so that records match inputs by position.
inline constexpr char kRecordEnd = '\0';

// Everything written to standard output leaves at once, page by page: a
// consumer sees each page as soon as it is done, and a write error is the
// page's.
class Writer {
 public:
  Writer(OutputSettings settings, Progress& progress, std::FILE* out = stdout);

  void Write(Result&& result);
  // "korvane: <message>" on standard error, the progress bar out of the way.
  void Note(const std::string& message);
  // Prints the summary (when asked for) and gives the exit status: 1 when
  // an input failed or standard output could not be written.
  int Finish();

 private:
  void Report(const std::string& source, const std::string& message);
  bool WriteFile(const Result& result);
  bool WriteOut(std::string_view text);
  bool Emit(const Result& result);

  OutputSettings settings_;
  Progress& progress_;
  std::FILE* out_;
  std::optional<OutputFolder> folder_;
  uint64_t converted_ = 0;
  uint64_t failed_ = 0;
  uint64_t skipped_ = 0;
  uint64_t input_bytes_ = 0;
  bool output_failed_ = false;
};

}  // namespace korvane::cli
