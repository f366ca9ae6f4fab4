// SPDX-License-Identifier: Apache-2.0
// The options of `korvane serve`, parsed.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "korvane.h"
#include "listen_address.h"

namespace korvane::serve {

struct ServeOptions {
  ListenAddress listen;
  unsigned jobs = 1;
  Algorithm algorithm = Algorithm::kBlock;  // for requests that name none
  uint64_t max_page_size = uint64_t{8} << 20;
  unsigned max_connections = 64;
  unsigned queue = 64;            // pages waiting for a worker
  unsigned idle_timeout = 15;     // seconds
  unsigned request_timeout = 30;  // seconds
  std::string token_file;         // empty: no token asked for
  bool no_auth = false;
  bool verbose = false;
};

// argv[0] is "serve". The options, or the exit status when parsing ends the
// run: 0 after --help (printed on standard output), 2 after a usage error
// (explained on standard error).
std::variant<ServeOptions, int> ParseServeOptions(int argc, const char* const* argv);

}  // namespace korvane::serve
