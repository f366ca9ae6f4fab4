// SPDX-License-Identifier: Apache-2.0
// korvane [OPTIONS] [INPUTS...]: the extraction records of pages; see --help.
// korvane serve [OPTIONS]: the same over HTTP; see korvane serve --help.
#include <malloc.h>

#include <string_view>
#include <variant>

#include "app.h"
#include "serve.h"

int main(int argc, char** argv) {
  // Each conversion allocates and frees working copies of its page. By
  // default glibc maps large blocks afresh and hands freed memory back to
  // the kernel, so every page paid for its page faults again: about half of
  // the run time. Keeping freed memory costs no more than the largest
  // working set.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  // A page file named "serve" is still read as ./serve.
  if (argc > 1 && std::string_view(argv[1]) == "serve") {
    return korvane::serve::ServeMain(argc - 1, argv + 1);
  }
  const auto parsed = korvane::cli::ParseOptions(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  return korvane::cli::Run(std::get<korvane::cli::Options>(parsed));
}
