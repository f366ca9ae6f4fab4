// SPDX-License-Identifier: Apache-2.0
#include "output.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "exit_codes.h"
#include "input/stop.h"
#include "korvane.h"
#include "render/names.h"

namespace korvane::cli {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// A record as one of several on standard output: U+0000 becomes U+FFFD,
// then the record's end.
std::string Framed(std::string_view record) {
  std::string framed;
  framed.reserve(record.size() + 1);
  for (size_t start = 0;;) {
    const size_t nul = record.find('\0', start);
    framed.append(record.substr(start, nul - start));
    if (nul == std::string_view::npos) break;
    framed.append(kReplacementCharacter);
    start = nul + 1;
  }
  framed += kRecordEnd;
  return framed;
}

// Each page leaves in one system call: the stream's buffer is empty between
// pages (each is flushed), so that the text can go straight to its file
// rather than be cut in two by the buffer.
bool WriteWhole(std::FILE* out, std::string_view text) {
  const int fd = fileno(out);
  if (fd < 0 || std::fflush(out) != 0) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
  }
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

Writer::Writer(OutputSettings settings, Progress& progress, std::FILE* out)
    : settings_(std::move(settings)), progress_(progress), out_(out) {
  if (!settings_.output_dir.empty()) folder_.emplace(settings_.output_dir);
}

void Writer::Note(const std::string& message) {
  progress_.Clear();
  std::fprintf(stderr, "korvane: %s\n", message.c_str());
}

// Names and reasons come from file names, URLs and WARC headers: whatever a
// terminal would act on is escaped, so that each message stays one line of
// plain text.
void Writer::Report(const std::string& source, const std::string& message) {
  Note(EscapedName(source) + ": " + EscapedName(message));
}

// Standard output that cannot be written ends the batch: nothing written
// after would reach anyone.
bool Writer::WriteOut(std::string_view text) {
  if (output_failed_) return false;
  errno = 0;
  if (WriteWhole(out_, text)) return true;
  output_failed_ = true;
  Note(std::string("standard output: write error") +
       (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) +
       "; no more pages are read");
  RequestStop();
  return false;
}

bool Writer::WriteFile(const Result& result) {
  const std::string error = folder_->Write(result.output_name, result.text);
  if (!error.empty()) Report(result.source, error);
  return error.empty();
}

bool Writer::Emit(const Result& result) {
  if (settings_.format == Format::kJsonl || settings_.single_page) return WriteOut(result.text);
  return WriteOut(Framed(result.text));
}

void Writer::Write(Result&& result) {
  input_bytes_ += result.input_bytes;
  switch (result.kind) {
    case Input::Kind::kSkipped:
      ++skipped_;
      if (settings_.verbose) Report(result.source, "skipped: " + result.error);
      break;
    case Input::Kind::kError:
      ++failed_;
      Report(result.source, result.error);
      if (!folder_) Emit(result);
      break;
    case Input::Kind::kPage:
      if (settings_.verbose && result.replaced > 0) {
        Report(result.source, std::to_string(result.replaced) +
                                  " invalid byte sequences replaced by U+FFFD (" + result.encoding +
                                  ", from " +
                                  std::string(CharsetSourceName(result.charset_source)) + ")");
      }
      if (settings_.verbose && result.truncated) {
        Report(result.source, "longer than " + std::to_string(kExaminedUnits) +
                                  " code units: the text past them is left out of the body");
      }
      if (folder_ ? WriteFile(result) : Emit(result)) {
        ++converted_;
      } else {
        ++failed_;
      }
      break;
  }
  progress_.Update(converted_ + failed_, input_bytes_);
}

int Writer::Finish() {
  progress_.Clear();
  if (!output_failed_ && (std::fflush(out_) != 0 || std::ferror(out_))) {
    output_failed_ = true;
    Note("standard output: write error");
  }
  if (settings_.summary) {
    std::string summary = "korvane: ";
    if (const int signal = StopSignal()) {
      summary += std::string("stopped by SIG") + sigabbrev_np(signal) + "; ";
    }
    std::fprintf(stderr, "%s%llu pages read, %llu converted, %llu failed", summary.c_str(),
                 static_cast<unsigned long long>(converted_ + failed_),
                 static_cast<unsigned long long>(converted_),
                 static_cast<unsigned long long>(failed_));
    if (skipped_ > 0) {
      std::fprintf(stderr, "; %llu WARC responses without an HTML page skipped",
                   static_cast<unsigned long long>(skipped_));
    }
    std::fputc('\n', stderr);
  }
  if (const int signal = StopSignal()) return kExitSignalBase + signal;
  return failed_ > 0 || output_failed_ ? kExitFailed : kExitOk;
}

}  // namespace korvane::cli
