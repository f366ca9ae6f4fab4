// SPDX-License-Identifier: Apache-2.0
#include "serve.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <variant>

#include "auth.h"
#include "http_server.h"
#include "listen_address.h"
#include "serve_options.h"
#include "stop_signals.h"

namespace korvane::serve {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

// Each connection takes two descriptors (the library's and the duplicate
// that workers poll): the soft limit is raised as far as the hard one lets.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

ServerSettings SettingsFrom(const ServeOptions& options, std::optional<std::string> token) {
  ServerSettings settings;
  settings.listen = options.listen;
  settings.jobs = options.jobs;
  settings.queue = options.queue;
  settings.max_connections = options.max_connections;
  settings.max_page_size = options.max_page_size;
  settings.idle_timeout = options.idle_timeout;
  settings.request_timeout = options.request_timeout;
  settings.algorithm = options.algorithm;
  settings.token = std::move(token);
  settings.verbose = options.verbose;
  return settings;
}

void Announce(const HttpServer& server, const ServeOptions& options, bool token) {
  const std::string address = AddressText(server.address());
  std::fprintf(stderr, "korvane serve: listening on http://%s/ (%u workers)\n", address.c_str(),
               server.workers());
  if (!options.listen.loopback) {
    std::fprintf(stderr,
                 token ? "korvane serve: warning: %s is not a loopback address; requests need "
                         "the bearer token\n"
                       : "korvane serve: warning: %s is not a loopback address and --no-auth is "
                         "given: anyone who reaches it can use it\n",
                 address.c_str());
  }
}

int Serve(const ServeOptions& options) {
  std::optional<std::string> token;
  if (!options.token_file.empty()) {
    std::string error;
    token = ReadTokenFile(options.token_file, &error);
    if (!token) {
      std::fprintf(stderr, "korvane serve: %s\n", error.c_str());
      return kExitFailed;
    }
  }
  RaiseDescriptorLimit();
  StopSignals signals;
  HttpServer server(SettingsFrom(options, token));
  Announce(server, options, token.has_value());
  const int signal = signals.Wait();
  const char* name = signal != 0 ? sigabbrev_np(signal) : nullptr;
  std::fprintf(stderr, "korvane serve: SIG%s: finishing the requests in flight\n",
               name != nullptr ? name : "?");
  server.StopAccepting();
  server.WaitForRequestsInFlight();
  std::fprintf(stderr, "korvane serve: stopped\n");
  return kExitOk;
}

}  // namespace

int ServeMain(int argc, const char* const* argv) {
  const auto parsed = ParseServeOptions(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  try {
    return Serve(std::get<ServeOptions>(parsed));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "korvane serve: %s\n", error.what());
    return kExitFailed;
  }
}

}  // namespace korvane::serve
