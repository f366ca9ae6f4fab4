#include "output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "exit_codes.h"

namespace korvane::cli {
namespace fs = std::filesystem;
namespace {

// Records in one stream are separated by a line holding only a form feed.
constexpr std::string_view kRecordSeparator = "\r\n\f\r\n";

// Names and reasons come from file names, URLs and WARC headers: a control
// character in one (a newline, a terminal's escape sequence) is shown as "?",
// so that each message stays one line of plain text.
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

}  // namespace

Writer::Writer(OutputSettings settings, Progress& progress, std::FILE* out)
    : settings_(std::move(settings)), progress_(progress), out_(out) {}

void Writer::Report(const std::string& source, const std::string& message) {
  progress_.Clear();
  std::fprintf(stderr, "korvane: %s: %s\n", Printable(source).c_str(), Printable(message).c_str());
}

void Writer::WriteOut(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) output_failed_ = true;
  if (settings_.flush_each && std::fflush(out_) != 0) output_failed_ = true;
}

bool Writer::WriteFile(const Result& result) {
  const fs::path path = fs::path(settings_.output_dir) / result.output_name;
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) {
    Report(result.source, "cannot create " + path.parent_path().string() + ": " + error.message());
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(result.text.data(), static_cast<std::streamsize>(result.text.size()));
  file.close();
  if (!file) {
    Report(result.source, "cannot write " + path.string() + ": " + std::strerror(errno));
    return false;
  }
  return true;
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
      if (settings_.output_dir.empty()) WriteOut(result.text);
      break;
    case Input::Kind::kPage:
      if (settings_.verbose && result.replaced > 0) {
        Report(result.source, std::to_string(result.replaced) +
                                  " invalid byte sequences replaced by U+FFFD (" + result.encoding +
                                  ", from " +
                                  std::string(CharsetSourceName(result.charset_source)) + ")");
      }
      if (!settings_.output_dir.empty()) {
        if (!WriteFile(result)) {
          ++failed_;
          break;
        }
      } else {
        if (settings_.format == Format::kRecord && converted_ > 0) {
          WriteOut(std::string(kRecordSeparator));
        }
        WriteOut(result.text);
      }
      ++converted_;
      break;
  }
  progress_.Update(converted_ + failed_, input_bytes_);
}

int Writer::Finish() {
  progress_.Clear();
  if (std::fflush(out_) != 0 || std::ferror(out_)) output_failed_ = true;
  if (output_failed_) std::fprintf(stderr, "korvane: standard output: write error\n");
  if (settings_.summary) {
    std::fprintf(stderr, "korvane: %llu pages read, %llu converted, %llu failed",
                 static_cast<unsigned long long>(converted_ + failed_),
                 static_cast<unsigned long long>(converted_),
                 static_cast<unsigned long long>(failed_));
    if (skipped_ > 0) {
      std::fprintf(stderr, "; %llu WARC responses without an HTML page skipped",
                   static_cast<unsigned long long>(skipped_));
    }
    std::fputc('\n', stderr);
  }
  return failed_ > 0 || output_failed_ ? kExitFailed : kExitOk;
}

}  // namespace korvane::cli
