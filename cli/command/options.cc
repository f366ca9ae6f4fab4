// SPDX-License-Identifier: Apache-2.0
#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <thread>

#include "ascii.h"
#include "exit_codes.h"
#include "input/byte_reader.h"

namespace korvane::cli {
namespace {

constexpr const char* kDescription =
    "korvane: the article of Chinese news pages as tagged plain-text records.\n"
    "One page (a file, or standard input) gives its record on standard output;\n"
    "several pages (folders, several files, WARC files, --stdin-jsonl) give one\n"
    "JSON object per page, in input order. Exit status: 0 when every input was\n"
    "converted, 1 when any failed, 2 for bad usage, 128 + the signal after SIGINT\n"
    "or SIGTERM (reading stops, what is in flight is written, the summary follows).\n"
    "`korvane serve` runs the same extraction as an HTTP service: see\n"
    "`korvane serve --help`.";

std::string CheckEncoding(const std::string& label) {
  return CharsetForOption(label) ? std::string() : "unknown encoding: " + label;
}

std::string CheckNotEmpty(const std::string& value) {
  return value.empty() ? "an empty name is no folder" : std::string();
}

// Larger limits than this are no limits; keeping them below it keeps the
// arithmetic on sizes from overflowing.
constexpr uint64_t kLargestPageSize = uint64_t{1} << 50;

std::string CheckSize(const std::string& text) {
  const std::optional<uint64_t> size = ParseSize(text);
  if (!size) return "not a size in bytes (such as 65536, 512K, 64M or 1G): " + text;
  if (*size > kLargestPageSize) return "larger than " + SizeText(kLargestPageSize) + ": " + text;
  return {};
}

}  // namespace

std::variant<Options, int> ParseOptions(int argc, const char* const* argv) {
  CLI::App app(kDescription, "korvane");
  app.set_version_flag("-V,--version", "korvane " KORVANE_VERSION);
  Options options;
  options.jobs = std::max(1u, std::thread::hardware_concurrency());
  std::string encoding;
  std::string format_name;
  std::string max_page_size = "64M";
  std::string algorithm_name;
  app.get_formatter()->column_width(24);
  app.add_option("inputs", options.inputs,
                 "pages, folders (walked for *.html *.htm *.shtml *.xhtml *.warc\n"
                 "*.warc.gz), WARC files, or - for standard input (the default)")
      ->type_name("PATH");
  CLI::Option* format =
      app.add_option("-f,--format", format_name,
                     "record: the records, each ended by a NUL byte (an input that\n"
                     "fails: nothing before its NUL; U+0000 in a record: U+FFFD),\n"
                     "or one page's record alone; jsonl: one JSON object per page")
          ->check(CLI::IsMember({"record", "jsonl"}))
          ->type_name("FORMAT");
  app.add_option("-a,--algorithm", algorithm_name,
                 "block (default): block density, lower-cased; its records stay\n"
                 "the same code unit for code unit, for pipelines built on them;\n"
                 "dom: the page's element tree, more accurate on today's pages,\n"
                 "text in its own letter case with references decoded; its JSON\n"
                 "lines also give the author and the date of publication")
      ->check(CLI::IsMember({"block", "dom"}))
      ->type_name("NAME");
  app.add_option("-o,--output-dir", options.output_dir,
                 "write one .txt record per page under DIR, mirroring the inputs")
      ->check(CheckNotEmpty)
      ->excludes(format)
      ->type_name("DIR");
  app.add_option("-j,--jobs", options.jobs, "pages converted at once (default: every core)")
      ->check(CLI::Range(1u, 1024u))
      ->type_name("N");
  app.add_option("--max-page-size", max_page_size,
                 "refuse larger pages (and larger JSON lines) as errors; SIZE in\n"
                 "bytes, or with K, M or G (default: 64M)")
      ->check(CheckSize)
      ->type_name("SIZE");
  app.add_option("-e,--encoding", encoding, "decode every page as NAME (gbk, big5, ...)")
      ->check(CheckEncoding)
      ->type_name("NAME");
  app.add_option("--base-url", options.base_url,
                 "resolve image sources of pages without a URL of their own\nagainst URL")
      ->type_name("URL");
  CLI::Option* jsonl =
      app.add_flag("--stdin-jsonl", options.stdin_jsonl,
                   "read one JSON object per line on standard input ({\"id\", \"url\", \"html\"})\n"
                   "and write one JSON line per input line, flushed as it goes");
  jsonl->excludes(app.get_option("inputs"));
  app.add_flag("-q,--quiet", options.quiet, "no progress bar and no summary line");
  app.add_flag("-v,--verbose", options.verbose,
               "also report replaced byte sequences, skipped WARC records and\n"
               "pages longer than the 900,000 code units searched");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  if (!encoding.empty()) options.encoding = CharsetForOption(encoding);
  options.max_page_size = *ParseSize(max_page_size);
  if (algorithm_name == "dom") options.algorithm = Algorithm::kDom;
  if (!format_name.empty()) {
    options.format = format_name == "record" ? Format::kRecord : Format::kJsonl;
  }
  return options;
}

}  // namespace korvane::cli
