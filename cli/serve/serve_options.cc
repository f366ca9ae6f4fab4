// SPDX-License-Identifier: Apache-2.0
#include "serve_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <thread>

#include "input/byte_reader.h"

namespace korvane::serve {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

constexpr const char* kDescription =
    "korvane serve: the extraction of korvane over HTTP, for crawlers in any\n"
    "language, and a page to try it in a browser. Answers are the JSON objects\n"
    "of `korvane -f jsonl`, byte for byte. It runs until SIGTERM or SIGINT: it\n"
    "then stops accepting connections, finishes the requests in flight and\n"
    "exits with status 0; a second signal ends it at once.";

constexpr const char* kFooter =
    "Endpoints:\n"
    "  POST /v1/extract   the page as the body; its charset from the Content-Type\n"
    "                     as for a WARC response; ?url= (the page's URL) and\n"
    "                     ?algorithm= are optional. With Content-Type\n"
    "                     application/json, the body is one {\"id\", \"url\", \"html\"}\n"
    "                     object, answered as --stdin-jsonl answers it. 200 with\n"
    "                     the JSON object, 422 with the error object when the body\n"
    "                     is no page.\n"
    "  POST /v1/batch     JSON lines ({\"id\", \"url\", \"html\"}), one page per line;\n"
    "                     the answer is one JSON line per page, in order, streamed.\n"
    "  GET /healthz       {\"status\":\"ok\"}; 503 while stopping.\n"
    "  GET /metrics       requests by endpoint and status, pages, bytes and a\n"
    "                     latency histogram, in the Prometheus text format.\n"
    "  GET /              a page to paste HTML or choose a file and see its\n"
    "                     extraction; it loads nothing from elsewhere.\n"
    "\n"
    "Limits: a body larger than --max-page-size gets 413; a request while\n"
    "--queue pages wait gets 503 with Retry-After; connections past\n"
    "--max-connections get 503 and are closed. Memory stays below\n"
    "64 MiB + (5 x max-connections + 12 x jobs) x max-page-size.\n"
    "\n"
    "Security: it listens on loopback unless --listen says otherwise; any other\n"
    "address needs --token-file (requests then send \"Authorization: Bearer\n"
    "TOKEN\") or --no-auth. Requests never reach the file system. Error bodies\n"
    "are JSON: {\"error\": \"...\"}.\n"
    "\n"
    "Exit status: 0 after SIGTERM or SIGINT, 1 when the service cannot start\n"
    "(the address is in use, the token file cannot be read), 2 for bad usage.\n"
    "See docs/serve.md.";

// Larger limits than this are no limits; keeping them below it keeps the
// arithmetic on sizes from overflowing.
constexpr uint64_t kLargestPageSize = uint64_t{1} << 40;

std::string CheckSize(const std::string& text) {
  const std::optional<uint64_t> size = cli::ParseSize(text);
  if (!size) return "not a size in bytes (such as 65536, 512K, 64M or 1G): " + text;
  if (*size > kLargestPageSize) {
    return "larger than " + cli::SizeText(kLargestPageSize) + ": " + text;
  }
  return {};
}

std::string CheckListen(const std::string& text) {
  std::string error;
  return ParseListenAddress(text, &error) ? std::string() : error + ": " + text;
}

void AddOptions(CLI::App& app, ServeOptions& options, std::string& listen, std::string& algorithm,
                std::string& max_page_size) {
  app.add_option("-l,--listen", listen,
                 "listen on ADDR:PORT (default: 127.0.0.1:8080); [::1]:8080 for\n"
                 "IPv6; port 0: one the system picks, printed on standard error")
      ->check(CheckListen)
      ->type_name("ADDR:PORT");
  app.add_option("-j,--jobs", options.jobs, "worker threads converting pages (default: every core)")
      ->check(CLI::Range(1u, 1024u))
      ->type_name("N");
  app.add_option("-a,--algorithm", algorithm,
                 "block (default) or dom: for requests without ?algorithm=")
      ->check(CLI::IsMember({"block", "dom"}))
      ->type_name("NAME");
  app.add_option("--max-page-size", max_page_size,
                 "refuse request bodies larger than SIZE with 413, a batch's\n"
                 "body included; bytes, or with K, M or G (default: 8M)")
      ->check(CheckSize)
      ->type_name("SIZE");
  app.add_option("--max-connections", options.max_connections,
                 "connections served at once (default: 64); up to a quarter\n"
                 "more (at least 16) get 503 and are closed, the rest wait to\n"
                 "be accepted")
      ->check(CLI::Range(1u, 10000u))
      ->type_name("N");
  app.add_option("--queue", options.queue,
                 "pages waiting for a worker, at most (default: 64); a request\n"
                 "that finds them all taken gets 503 with Retry-After: 1")
      ->check(CLI::Range(1u, 1000000u))
      ->type_name("N");
  app.add_option("--idle-timeout", options.idle_timeout,
                 "close a connection on which nothing moves for SECONDS: an\n"
                 "idle keep-alive connection, a client that stops sending or\n"
                 "stops reading its answer (default: 15)")
      ->check(CLI::Range(1u, 86400u))
      ->type_name("SECONDS");
  app.add_option("--request-timeout", options.request_timeout,
                 "close a connection that has not sent a whole request, head\n"
                 "and body, SECONDS after it became ready for one (accepted, or\n"
                 "its last answer sent): slow clients (default: 30)")
      ->check(CLI::Range(1u, 86400u))
      ->type_name("SECONDS");
  CLI::Option* token =
      app.add_option("--token-file", options.token_file,
                     "require \"Authorization: Bearer TOKEN\" on /v1/ and /metrics,\n"
                     "TOKEN being the first line of FILE (at least 16 characters)")
          ->type_name("FILE");
  app.add_flag("--no-auth", options.no_auth,
               "listen on an address other than loopback without a token")
      ->excludes(token);
  app.add_flag("-v,--verbose", options.verbose, "print the HTTP library's messages");
}

}  // namespace

std::variant<ServeOptions, int> ParseServeOptions(int argc, const char* const* argv) {
  CLI::App app(kDescription, "korvane serve");
  app.set_version_flag("-V,--version", "korvane " KORVANE_VERSION);
  app.footer(kFooter);
  app.get_formatter()->column_width(26);
  ServeOptions options;
  options.jobs = std::max(1u, std::thread::hardware_concurrency());
  std::string listen = "127.0.0.1:8080";
  std::string algorithm;
  std::string max_page_size = "8M";
  AddOptions(app, options, listen, algorithm, max_page_size);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  std::string error;
  options.listen = *ParseListenAddress(listen, &error);
  options.max_page_size = *cli::ParseSize(max_page_size);
  if (algorithm == "dom") options.algorithm = Algorithm::kDom;
  if (!options.listen.loopback && options.token_file.empty() && !options.no_auth) {
    std::fprintf(stderr,
                 "korvane serve: %s is not a loopback address: give --token-file FILE, or\n"
                 "--no-auth to let anyone who reaches it use it\n",
                 listen.c_str());
    return kExitUsage;
  }
  return options;
}

}  // namespace korvane::serve
