#include "app.h"

#include <unistd.h>

#include <cstdio>
#include <exception>

#include "exit_codes.h"
#include "inputs.h"
#include "ordered_pool.h"
#include "output.h"

namespace korvane::cli {
namespace {

// Pages read ahead per worker: enough to keep every worker busy while the
// output waits for a slow page, few enough to keep memory small.
constexpr size_t kWindowPerJob = 4;

}  // namespace

int Run(const Options& options) {
  Inputs inputs(options.inputs, options.stdin_jsonl);
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
  output.output_dir = options.output_dir;
  output.flush_each = options.stdin_jsonl;
  output.verbose = options.verbose;
  output.summary = !one_page && !options.quiet;
  Progress progress(!one_page && !options.quiet && isatty(STDERR_FILENO) == 1,
                    options.stdin_jsonl ? std::vector<std::string>{"-"} : options.inputs);
  Writer writer(output, progress);

  try {
    RunInOrder<Input, Result>(
        options.jobs, kWindowPerJob * options.jobs, [&] { return inputs.Next(); },
        [&](Input&& input) { return Convert(std::move(input), convert); },
        [&](Result&& result) { writer.Write(std::move(result)); });
  } catch (const std::exception& error) {
    writer.Finish();
    std::fprintf(stderr, "korvane: stopped: %s\n", error.what());
    return kExitFailed;
  }
  return writer.Finish();
}

}  // namespace korvane::cli
