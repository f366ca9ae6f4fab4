#include "inputs.h"

#include <filesystem>
#include <utility>

namespace korvane::cli {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kStandardInput = "standard input";

}  // namespace

std::string MirrorName(const std::string& path) {
  fs::path relative;
  for (const fs::path& part : fs::path(path).lexically_normal().relative_path()) {
    if (part != ".." && part != "." && !part.empty()) relative /= part;
  }
  return relative.string() + ".txt";
}

Inputs::Inputs(std::vector<std::string> paths, bool jsonl) : paths_(std::move(paths)) {
  if (jsonl) {
    jsonl_ = std::make_unique<JsonLines>(FileReader::StandardInput());
  } else if (paths_.empty()) {
    paths_.push_back("-");
  }
}

Inputs::~Inputs() = default;

bool Inputs::SinglePage() {
  if (jsonl_ || paths_.size() != 1) return false;
  if (next_path_ == 0) first_ = Read();
  return !batch_;
}

std::optional<Input> Inputs::Next() {
  if (first_) return std::exchange(first_, std::nullopt);
  return Read();
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
        if (std::optional<Input> page = Open(entry->path.string())) return page;
        continue;
      }
      walk_.reset();
    }
    if (next_path_ == paths_.size()) return std::nullopt;
    const std::string& path = paths_[next_path_++];
    std::error_code error;
    if (path == "-") {
      if (std::optional<Input> page = OpenStandardInput()) return page;
    } else if (fs::is_directory(path, error)) {
      walk_.emplace(path);
      batch_ = true;
    } else if (std::optional<Input> page = Open(path)) {
      return page;
    }
  }
}

std::optional<Input> Inputs::Open(const std::string& path) {
  try {
    return FromReader(FileReader::Open(path), path, MirrorName(path), HasWarcName(path));
  } catch (const InputError& error) {
    return ErrorInput(path, error.what());
  }
}

std::optional<Input> Inputs::OpenStandardInput() {
  const std::string name(kStandardInput);
  try {
    return FromReader(FileReader::StandardInput(), name, "stdin.txt", false);
  } catch (const InputError& error) {
    return ErrorInput(name, error.what());
  }
}

// A page, or nothing when the file is a WARC file whose pages come next.
std::optional<Input> Inputs::FromReader(std::unique_ptr<FileReader> reader, const std::string& name,
                                        const std::string& output_base, bool warc_name) {
  const std::string_view first = reader->Peek(16);
  if (warc_name || LooksLikeWarc(first)) {
    const bool compressed = IsGzip(first);
    std::string base = output_base.substr(0, output_base.size() - 4);  // no ".txt"
    std::unique_ptr<ByteReader> input = std::move(reader);
    if (compressed) input = std::make_unique<GzipReader>(std::move(input));
    warc_ = std::make_unique<WarcReader>(std::move(input), name, std::move(base));
    batch_ = true;
    return std::nullopt;
  }
  Input page;
  page.source = name;
  page.output_name = output_base;
  page.bytes = reader->ReadAll();
  page.input_bytes = reader->consumed();
  return page;
}

}  // namespace korvane::cli
