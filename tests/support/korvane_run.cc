// SPDX-License-Identifier: Apache-2.0
#include "korvane_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "temp_dir.h"

namespace korvane::test_support {
namespace {

double Seconds(const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; }

}  // namespace

const char* KorvaneBinary() { return KORVANE_BINARY; }

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

KorvaneRun RunShell(const std::filesystem::path& folder, const std::string& command,
                    std::string_view input) {
  std::ofstream(folder / "stdin.bin", std::ios::binary)
      .write(input.data(), static_cast<std::streamsize>(input.size()));
  const std::string script = "cd " + ShellQuoted(folder.string()) +
                             " && KORVANE=" + ShellQuoted(KorvaneBinary()) + " && (" + command +
                             ") < stdin.bin > stdout.bin 2> stderr.bin";
  const auto start = std::chrono::steady_clock::now();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};  // of the shell and all it waited for
  KorvaneRun run;
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  run.peak_kib = usage.ru_maxrss;
  run.minor_faults = usage.ru_minflt;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(folder / "stdout.bin");
  run.err = ReadFile(folder / "stderr.bin");
  return run;
}

KorvaneRun RunKorvane(const std::filesystem::path& folder, const std::string& arguments,
                      std::string_view input) {
  return RunShell(folder, "\"$KORVANE\" " + arguments, input);
}

}  // namespace korvane::test_support
