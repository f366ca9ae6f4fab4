// Bytes of a file, of standard input or of gzip data, read in chunks so that
// large inputs never sit in memory whole unless a page needs them whole.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::cli {

// The input could not be read, or its bytes are not what they claim to be.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Up to `size` bytes; 0 only at the end. Throws InputError.
  virtual size_t Read(char* buffer, size_t size) = 0;
  // Bytes taken from the underlying file so far.
  virtual uint64_t consumed() const = 0;
};

class FileReader final : public ByteReader {
 public:
  // Throws InputError naming the reason (as strerror gives it).
  static std::unique_ptr<FileReader> Open(const std::string& path);
  static std::unique_ptr<FileReader> StandardInput();
  ~FileReader() override;

  // The next `size` bytes (fewer at the end), without consuming them.
  std::string_view Peek(size_t size);
  // Everything left, in one string.
  std::string ReadAll();
  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return consumed_; }

 private:
  FileReader(int fd, bool owned) : fd_(fd), owned_(owned) {}
  size_t ReadFromFile(char* buffer, size_t size);

  int fd_;
  bool owned_;
  std::string peeked_;
  uint64_t consumed_ = 0;
};

// The concatenated members of gzip data. zlib checks each member's CRC-32
// and length; a bad one or data cut short throws InputError.
class GzipReader final : public ByteReader {
 public:
  explicit GzipReader(std::unique_ptr<ByteReader> compressed);
  ~GzipReader() override;
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;

  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return compressed_->consumed() - stream_.avail_in; }

 private:
  bool Refill();

  std::unique_ptr<ByteReader> compressed_;
  z_stream stream_{};
  std::string input_;
  bool in_member_ = false;
  std::string pending_error_;  // thrown by the next Read
};

inline bool IsGzip(std::string_view bytes) { return bytes.starts_with("\x1f\x8b"); }

}  // namespace korvane::cli
