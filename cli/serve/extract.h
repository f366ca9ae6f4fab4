// SPDX-License-Identifier: Apache-2.0
// POST /v1/extract: one page, read as the command line reads it and
// converted by the same stages, so that the answer is its JSON line.
#pragma once

#include <string>

#include "input/input.h"
#include "korvane.h"

namespace korvane::serve {

// What the request's head says about its body.
struct PageRequest {
  bool json = false;         // Content-Type application/json: {"id", "url", "html"}
  std::string content_type;  // its charset decodes the page, as in a WARC response
  std::string url;           // ?url=: the page's URL, its name in the answer
};

// The page that `body` holds: raw bytes named as the command line names
// standard input (or by the URL), or the object that --stdin-jsonl reads
// on its first line.
cli::Input PageInput(const PageRequest& request, std::string body);

struct Answer {
  int status = 200;  // 422: the body is no page; the answer is its error line
  std::string json;  // the JSON line of `korvane -f jsonl`, LF included
};

// Never throws: a page that fails is a 422 answer.
Answer ExtractPage(cli::Input page, Algorithm algorithm);

}  // namespace korvane::serve
