// SPDX-License-Identifier: Apache-2.0
// Runs of the built korvane binary as a user or a script runs it: through
// the shell, in a folder, with what it wrote, its exit status, its time and
// its peak memory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvane::test_support {

struct KorvaneRun {
  int status = -1;         // exit status; -1 when a signal ended the run
  std::string out;         // standard output
  std::string err;         // standard error
  double seconds = 0;      // wall clock
  double cpu_seconds = 0;  // user and system time of all that the shell ran
  long peak_kib = 0;       // largest resident set among them
  long minor_faults = 0;   // minor page faults of all that the shell ran
};

// The path of the korvane binary of this build.
const char* KorvaneBinary();

// `text` quoted for the shell.
std::string ShellQuoted(std::string_view text);

// Runs `command` with /bin/sh in `folder`, where "$KORVANE" names the binary,
// `input` is standard input, and standard output and error go to files
// (stdin.bin, stdout.bin, stderr.bin in `folder`) unless `command` sends
// them elsewhere.
KorvaneRun RunShell(const std::filesystem::path& folder, const std::string& command,
                    std::string_view input = {});

// RunShell(folder, "\"$KORVANE\" " + arguments, input).
KorvaneRun RunKorvane(const std::filesystem::path& folder, const std::string& arguments,
                      std::string_view input = {});

}  // namespace korvane::test_support
