// WARC files as crawlers store them, for the command-line benchmarks: one
// response record per page, plain or with each record its own gzip member.
#pragma once

#include <string>
#include <string_view>

namespace korvane::bench {

// A WARC/1.0 response record holding an HTTP 200 text/html response.
std::string WarcResponse(std::string_view url, std::string_view html);

// One gzip member (zlib's default level, as crawlers write them).
std::string GzipMember(std::string_view bytes);

}  // namespace korvane::bench
