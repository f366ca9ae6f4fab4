// SPDX-License-Identifier: Apache-2.0
#include "app.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "convert/ordered_pool.h"
#include "exit_codes.h"
#include "input/inputs.h"
#include "input/stop.h"
#include "output.h"
#include "signals.h"

namespace korvane::cli {
namespace {

// Pages read ahead per worker: enough to keep every worker busy while the
// output waits for a slow page, and for the reading thread to read many in
// a row between its waits (each wait and wake-up is a system call on the
// thread that no number of workers divides). Pages in regular files wait as
// slices, holding no memory; the others are bounded by ReadAheadBytes.
constexpr size_t kWindowPerJob = 16;
// Bytes of pages read ahead, at most (past one page): pages near the size
// limit must not pile up. Twice the largest page keeps two workers busy.
constexpr uint64_t kMinReadAhead = uint64_t{64} << 20;

uint64_t ReadAheadBytes(uint64_t max_page_size) {
  return std::max(kMinReadAhead, 2 * max_page_size);
}

std::string FewerThreadsMessage(unsigned running, unsigned wanted, const std::string& reason) {
  return "could not start " + std::to_string(wanted) + " worker threads (" + reason +
         "); going on with " +
         (running == 0 ? std::string("the main thread alone") : std::to_string(running));
}

}  // namespace

int Run(const Options& options) {
  InstallStopHandlers();
  InputSettings input_settings{options.inputs, options.stdin_jsonl, options.max_page_size,
                               !options.output_dir.empty()};
  // The workers read the pages' bytes: the reading thread, which they all
  // wait on, reads only what lies around them.
  input_settings.slices = true;
  Inputs inputs(std::move(input_settings));
  const bool one_page = inputs.SinglePage();
  ConvertSettings convert;
  // Files under --output-dir hold records.
  convert.format = options.output_dir.empty()
                       ? options.format.value_or(one_page ? Format::kRecord : Format::kJsonl)
                       : Format::kRecord;
  convert.forced = options.encoding;
  convert.base_url = options.base_url;
  convert.algorithm = options.algorithm;

  OutputSettings output;
  output.format = convert.format;
  output.single_page = one_page;
  output.output_dir = options.output_dir;
  output.verbose = options.verbose;
  output.summary = !one_page && !options.quiet;
  Progress progress(!one_page && !options.quiet && isatty(STDERR_FILENO) == 1,
                    options.stdin_jsonl ? std::vector<std::string>{"-"} : options.inputs);
  Writer writer(output, progress);

  try {
    RunInOrder<Input, Result>(
        {options.jobs, kWindowPerJob * options.jobs, ReadAheadBytes(options.max_page_size)},
        [&] { return inputs.Next(); },
        [&](Input&& input) { return Convert(std::move(input), convert); },
        [&](Result&& result) { writer.Write(std::move(result)); },
        [](const Input& input) { return static_cast<uint64_t>(input.bytes.size()); },
        [&](unsigned started, const std::string& reason) {
          writer.Note(FewerThreadsMessage(started, options.jobs, reason));
        });
  } catch (const std::exception& error) {
    writer.Note(std::string("stopped: ") + error.what());
    writer.Finish();
    return kExitFailed;
  }
  return writer.Finish();
}

}  // namespace korvane::cli
