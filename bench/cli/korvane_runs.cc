#include "korvane_runs.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace korvane::bench {
namespace {

double Seconds(const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; }

}  // namespace

std::string ToGb18030(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  std::string out(utf8.size() + 16, '\0');
  const int32_t length =
      ucnv_convert("gb18030", "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                   static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) std::abort();
  out.resize(length);
  return out;
}

Measure RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed on %s\n", program.c_str(), arguments.back().c_str());
    std::exit(1);
  }
  return {seconds, Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

}  // namespace korvane::bench
