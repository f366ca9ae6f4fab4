// SPDX-License-Identifier: Apache-2.0
#include "input/inputs.h"

#include <filesystem>
#include <utility>

#include "input/read_ahead.h"
#include "input/read_failure.h"
#include "input/stop.h"
#include "input/zstd_reader.h"

namespace korvane::cli {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kStandardInput = "standard input";
// The record name of standard input: "stdin.txt", or "stdin/000001.txt" for
// the records of a WARC file read from it.
constexpr std::string_view kStandardInputKey = "stdin";

std::string MirrorPart(const fs::path& part) {
  if (part == "..") return "%2E%2E";
  const std::string text = part.string();
  return text.starts_with('%') ? "%25" + text.substr(1) : text;
}

// The record name of a path without ".txt".
std::string MirrorKey(const std::string& path) {
  std::string key;
  for (const fs::path& part : fs::path(path).lexically_normal().relative_path()) {
    if (part == "." || part.empty()) continue;
    if (!key.empty()) key += '/';
    key += MirrorPart(part);
  }
  return key;
}

std::string WithoutTxt(const std::string& name) { return name.substr(0, name.size() - 4); }

}  // namespace

std::string MirrorName(const std::string& path) { return MirrorKey(path) + ".txt"; }

Inputs::Inputs(InputSettings settings) : settings_(std::move(settings)) {
  if (settings_.jsonl) {
    jsonl_ = std::make_unique<JsonLines>(FileReader::StandardInput(), settings_.max_page_size);
  } else if (settings_.paths.empty()) {
    settings_.paths.push_back("-");
  }
}

Inputs::~Inputs() = default;

bool Inputs::SinglePage() {
  if (jsonl_ || settings_.paths.size() != 1) return false;
  if (next_path_ == 0) first_ = NextGuarded();
  return !batch_;
}

std::optional<Input> Inputs::Next() {
  if (first_) return std::exchange(first_, std::nullopt);
  return NextGuarded();
}

std::optional<Input> Inputs::NextGuarded() {
  if (StopRequested()) return std::nullopt;
  try {
    return Read();
  } catch (const Stopped&) {
    return std::nullopt;
  }
}

// The input given before the current one whose records include the record
// named `key` (or one of the folders it lies in), as it was given.
std::optional<std::string> Inputs::EarlierOwner(const std::string& key) const {
  if (!settings_.distinct_outputs) return std::nullopt;
  std::string_view prefix = key;
  for (;;) {
    if (const auto found = earlier_.find(std::string(prefix)); found != earlier_.end()) {
      return found->second;
    }
    if (prefix.empty()) return std::nullopt;
    const size_t slash = prefix.rfind('/');
    prefix = slash == std::string_view::npos ? std::string_view() : prefix.substr(0, slash);
  }
}

std::optional<Input> Inputs::Read() {
  for (;;) {
    if (jsonl_) {
      if (std::optional<Input> page = jsonl_->Next()) return page;
      jsonl_.reset();
    }
    if (warc_) {
      if (std::optional<Input> page = warc_->Next()) return page;
      warc_.reset();
    }
    if (walk_) {
      if (std::optional<FolderWalk::Entry> entry = walk_->Next()) {
        if (!entry->error.empty()) return ErrorInput(entry->path.string(), entry->error);
        if (std::optional<Input> page =
                Open(entry->path.string(), FileReader::Kinds::kRegularOnly)) {
          return page;
        }
        continue;
      }
      const std::optional<std::string> nothing = walk_->NothingFound();
      walk_.reset();
      if (nothing) return ErrorInput(walk_root_, *nothing);
    }
    if (settings_.distinct_outputs && next_path_ > 0) {
      earlier_.emplace(current_key_, settings_.paths[next_path_ - 1]);
    }
    if (next_path_ == settings_.paths.size()) return std::nullopt;
    const std::string& path = settings_.paths[next_path_++];
    current_key_ = path == "-" ? std::string(kStandardInputKey) : MirrorKey(path);
    if (const std::optional<std::string> owner = EarlierOwner(current_key_)) {
      return ErrorInput(
          path == "-" ? std::string(kStandardInput) : path,
          "its records would overwrite those of " + *owner + ", given before (--output-dir)");
    }
    std::error_code error;
    if (path == "-") {
      if (std::optional<Input> page = OpenStandardInput()) return page;
    } else if (fs::is_directory(path, error)) {
      walk_.emplace(path);
      walk_root_ = path;
      batch_ = true;
    } else if (std::optional<Input> page =
                   Open(path, settings_.walked ? FileReader::Kinds::kRegularOnly
                                               : FileReader::Kinds::kAny)) {
      return page;
    }
  }
}

std::optional<Input> Inputs::Open(const std::string& path, FileReader::Kinds kinds) {
  const std::string name = MirrorName(path);
  if (const std::optional<std::string> owner = EarlierOwner(WithoutTxt(name))) {
    return ErrorInput(
        path, "its record would overwrite one of " + *owner + ", given before (--output-dir)");
  }
  std::optional<Input> page;
  if (const std::optional<std::string> failure = ReadingFailure([&] {
        page = FromReader(FileReader::Open(path, kinds), path, name, HasWarcName(path));
      })) {
    return ErrorInput(path, *failure);
  }
  return page;
}

std::optional<Input> Inputs::OpenStandardInput() {
  const std::string name(kStandardInput);
  std::optional<Input> page;
  if (const std::optional<std::string> failure = ReadingFailure([&] {
        page = FromReader(FileReader::StandardInput(), name,
                          std::string(kStandardInputKey) + ".txt", false);
      })) {
    return ErrorInput(name, *failure);
  }
  return page;
}

namespace {

// The data of a gzip or zstd file, inflated. Inflating runs on a thread of
// its own, beside the conversion; a pipe could keep that thread waiting, so
// standard input is inflated in turn.
std::unique_ptr<PeekingReader> Inflated(std::unique_ptr<ByteReader> file, bool gzip,
                                        bool standard_input, uint64_t max_page_size) {
  std::unique_ptr<ByteReader> input;
  if (gzip) {
    input = std::make_unique<GzipReader>(std::move(file));
  } else {
    input = std::make_unique<ZstdReader>(std::move(file), max_page_size);
  }
  if (!standard_input) input = std::make_unique<ReadAhead>(std::move(input));
  return std::make_unique<PeekingReader>(std::move(input));
}

}  // namespace

// A page, or nothing when the file is a WARC file whose pages come next.
// Gzip and zstd data is inflated first: what it holds is a WARC file or a
// page, told by its first bytes (or a WARC name).
std::optional<Input> Inputs::FromReader(std::unique_ptr<FileReader> reader, const std::string& name,
                                        const std::string& output_base, bool warc_name) {
  const std::string_view first = reader->Peek(16);
  const bool gzip = IsGzip(first);
  if (!gzip && !IsZstd(first)) {
    if (warc_name || LooksLikeWarc(first)) return StartWarc(std::move(reader), name, output_base);
    Input page;
    page.source = name;
    page.output_name = output_base;
    std::optional<FileSlice> slice;
    if (settings_.slices) slice = reader->RestAsSlice(settings_.max_page_size);
    if (slice) {
      page.slice = std::move(*slice);
    } else {
      page.bytes = reader->ReadAtMost(settings_.max_page_size);
    }
    page.input_bytes = reader->consumed();
    return page;
  }
  std::unique_ptr<PeekingReader> inflated =
      Inflated(std::move(reader), gzip, name == kStandardInput, settings_.max_page_size);
  if (warc_name || LooksLikeWarc(inflated->Peek(16))) {
    return StartWarc(std::move(inflated), name, output_base);
  }
  Input page;
  page.source = name;
  page.output_name = output_base;
  page.bytes = ReadAtMost(*inflated, settings_.max_page_size);
  page.input_bytes = inflated->consumed();
  return page;
}

std::optional<Input> Inputs::StartWarc(std::unique_ptr<ByteReader> input, const std::string& name,
                                       const std::string& output_base) {
  warc_ = std::make_unique<WarcReader>(std::move(input), name, WithoutTxt(output_base),
                                       settings_.max_page_size, settings_.slices);
  batch_ = true;
  return std::nullopt;
}

}  // namespace korvane::cli
