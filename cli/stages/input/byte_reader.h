// SPDX-License-Identifier: Apache-2.0
// Bytes of a file, of standard input or of gzip data, read in chunks so that
// large inputs never sit in memory whole unless a page needs them whole, and
// never more of one than --max-page-size.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "input/file_slice.h"
#include "input/formats.h"
#include "input/gzip_inflater.h"

namespace korvane::cli {

// The input could not be read, or its bytes are not what they claim to be.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The input is larger than --max-page-size: "larger than 64 MiB (--max-page-size)".
struct TooLarge : InputError {
  explicit TooLarge(uint64_t limit);
};

// A stop was asked for (SIGINT, SIGTERM) while waiting for input.
struct Stopped : InputError {
  Stopped() : InputError("stopped") {}
};

// "64 MiB", "1 GiB", "1500 bytes": a size as --max-page-size takes it.
std::string SizeText(uint64_t bytes);

// "64M" → 64 MiB: bytes, or K, M or G (KiB, MiB, GiB) after the number, in
// either case. Nothing for zero or what is not such a size.
std::optional<uint64_t> ParseSize(std::string_view text);

class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Up to `size` bytes; 0 only at the end. Throws InputError.
  virtual size_t Read(char* buffer, size_t size) = 0;
  // Bytes taken from the underlying file so far.
  virtual uint64_t consumed() const = 0;
  // True when every byte handed out so far has been checked as far as the
  // data allows: a gzip member's bytes only once its CRC-32 and length were
  // read. An error thrown while this holds concerns bytes not yet handed out.
  virtual bool Verified() const { return true; }
  // True when SliceAhead can give slices (a regular file).
  virtual bool Sliceable() const { return false; }
  // The next `count` bytes as a slice of the file, passed over unread;
  // nothing, and nothing passed over, when they cannot be had so (not a
  // regular file, or it ends before them).
  virtual std::optional<FileSlice> SliceAhead(uint64_t /*count*/) { return std::nullopt; }
};

// Bytes a reader read early so that its caller could look at them; they
// are handed out before any more are read.
class PeekBuffer {
 public:
  // The first `size` bytes (fewer at the end), read as needed with
  // `read_more`, a (char*, size_t) -> size_t of the reader's own.
  template <typename ReadMore>
  std::string_view Peek(size_t size, ReadMore read_more) {
    while (bytes_.size() < size) {
      const size_t have = bytes_.size();
      bytes_.resize(size);
      const size_t got = read_more(bytes_.data() + have, size - have);
      bytes_.resize(have + got);
      if (got == 0) break;
    }
    return std::string_view(bytes_).substr(0, size);
  }

  // Moves up to `size` of the bytes into `buffer`; how many.
  size_t Take(char* buffer, size_t size) {
    const size_t taken = std::min(size, bytes_.size());
    std::memcpy(buffer, bytes_.data(), taken);
    bytes_.erase(0, taken);
    return taken;
  }

  size_t size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }

 private:
  std::string bytes_;
};

// A reader whose first bytes can be looked at before they are handed out.
class PeekingReader final : public ByteReader {
 public:
  explicit PeekingReader(std::unique_ptr<ByteReader> raw) : raw_(std::move(raw)) {}

  // The first `size` bytes (fewer at the end), not consumed.
  std::string_view Peek(size_t size) {
    return peeked_.Peek(size, [this](char* buffer, size_t n) { return raw_->Read(buffer, n); });
  }
  size_t Read(char* buffer, size_t size) override {
    return peeked_.size() > 0 ? peeked_.Take(buffer, size) : raw_->Read(buffer, size);
  }
  uint64_t consumed() const override { return raw_->consumed() - peeked_.size(); }
  bool Verified() const override { return raw_->Verified(); }

 private:
  std::unique_ptr<ByteReader> raw_;
  PeekBuffer peeked_;
};

// Everything `reader` has left, reading no more than `limit` + 1 bytes:
// throws TooLarge when there are more than `limit`.
// `size_hint`: the size expected, if known, so that the buffer is made once.
std::string ReadAtMost(ByteReader& reader, uint64_t limit, uint64_t size_hint = 0);

class FileReader final : public ByteReader {
 public:
  // Which files a path may name.
  enum class Kinds {
    kAny,          // named by the user: special files are read as streams
    kRegularOnly,  // found by walking a folder: anything else is refused unread
  };
  // Throws InputError naming the reason (as strerror gives it). Never waits
  // for a FIFO's writer: streams are waited on while reading, so that a stop
  // request is heard.
  static std::unique_ptr<FileReader> Open(const std::string& path, Kinds kinds = Kinds::kAny);
  static std::unique_ptr<FileReader> StandardInput();
  ~FileReader() override;

  // The next `size` bytes (fewer at the end), without consuming them.
  std::string_view Peek(size_t size);
  // Everything left; a regular file larger than `limit` is refused unread.
  std::string ReadAtMost(uint64_t limit);
  // What is left of a regular file as a slice to read later (see
  // FileSlice::limit), passed over; nothing for other files. Throws
  // TooLarge as ReadAtMost does.
  std::optional<FileSlice> RestAsSlice(uint64_t limit);
  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return consumed_; }
  bool Sliceable() const override { return regular_; }
  std::optional<FileSlice> SliceAhead(uint64_t count) override;

 private:
  FileReader(int fd, bool owned);
  size_t ReadFromFile(char* buffer, size_t size);
  void WaitForData();
  std::shared_ptr<const SharedFile> Shared();
  uint64_t SizeNow();

  int fd_;
  bool owned_;
  bool regular_ = false;
  uint64_t regular_size_ = 0;
  PeekBuffer peeked_;
  uint64_t consumed_ = 0;
  uint64_t position_ = 0;                     // regular files: where the next read begins
  std::shared_ptr<const SharedFile> shared_;  // made for the first slice
};

// Inflated gzip data (members one after another; NUL bytes after the last
// member are padding) or an HTTP "deflate" body (zlib-wrapped or raw). Each
// member's CRC-32 and length are checked; a bad one or data cut short throws
// InputError. A member's bytes are handed out only up to its end, so that
// what is handed out and what was checked stay in step (see Verified).
// Gzip data is inflated with ISA-L (GzipInflater), the fast path for crawls;
// deflate bodies, small and rare, stay on zlib, which tells the two
// deflate wrappings apart.
class GzipReader final : public ByteReader {
 public:
  enum class Wrapping { kGzip, kDeflate };
  explicit GzipReader(std::unique_ptr<ByteReader> compressed, Wrapping wrapping = Wrapping::kGzip);
  ~GzipReader() override;
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;

  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return compressed_->consumed() - InputLeft(); }
  bool Verified() const override { return verified_; }

 private:
  size_t ReadGzip(char* buffer, size_t size);
  size_t ReadDeflate(char* buffer, size_t size);
  size_t InputLeft() const;
  bool Refill();
  bool RefillGzip();
  bool SkipPadding();
  void StartDeflate();
  std::string DeflateErrorText(int status) const;
  std::string GzipErrorText(const InputError& error) const;

  std::unique_ptr<ByteReader> compressed_;
  Wrapping wrapping_;
  z_stream stream_{};                       // kDeflate
  std::unique_ptr<GzipInflater> inflater_;  // kGzip
  std::string input_;
  size_t input_size_ = 0;    // kGzip: bytes of input_ given to the inflater
  uint64_t member_out_ = 0;  // kGzip: bytes the current member has given
  bool in_member_ = false;
  uint64_t members_ = 0;  // members (or deflate streams) read to their end
  bool started_ = false;  // kDeflate: the wrapper has been chosen
  bool ended_ = false;    // kDeflate: the one stream is over
  bool verified_ = true;
  std::string pending_error_;  // thrown by the next Read
};

// True when `prefix`, the first bytes of an HTTP "deflate" body, can begin
// zlib-wrapped or raw deflate data.
bool BeginsAsDeflate(std::string_view prefix);

}  // namespace korvane::cli
