#include "byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

std::unique_ptr<FileReader> FileReader::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw InputError(Reason(errno));
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    throw InputError(Reason(EISDIR));
  }
  return std::unique_ptr<FileReader>(new FileReader(fd, true));
}

std::unique_ptr<FileReader> FileReader::StandardInput() {
  return std::unique_ptr<FileReader>(new FileReader(STDIN_FILENO, false));
}

FileReader::~FileReader() {
  if (owned_) ::close(fd_);
}

size_t FileReader::ReadFromFile(char* buffer, size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) {
      consumed_ += static_cast<uint64_t>(got);
      return static_cast<size_t>(got);
    }
    if (errno != EINTR) throw InputError(Reason(errno));
  }
}

std::string_view FileReader::Peek(size_t size) {
  while (peeked_.size() < size) {
    const size_t have = peeked_.size();
    peeked_.resize(size);
    const size_t got = ReadFromFile(peeked_.data() + have, size - have);
    peeked_.resize(have + got);
    if (got == 0) break;
  }
  return std::string_view(peeked_).substr(0, size);
}

size_t FileReader::Read(char* buffer, size_t size) {
  if (peeked_.empty()) return ReadFromFile(buffer, size);
  const size_t taken = std::min(size, peeked_.size());
  std::memcpy(buffer, peeked_.data(), taken);
  peeked_.erase(0, taken);
  return taken;
}

std::string FileReader::ReadAll() {
  std::string bytes = std::move(peeked_);
  peeked_.clear();
  size_t have = bytes.size();
  struct stat status;
  size_t remaining = 0;
  if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<uint64_t>(status.st_size) > consumed_) {
    remaining = static_cast<size_t>(status.st_size - consumed_);
  }
  // One byte more than the file holds shows its end without growing again.
  bytes.resize(have + (remaining > 0 ? remaining + 1 : kChunk));
  for (;;) {
    if (have == bytes.size()) bytes.resize(bytes.size() * 2);
    const size_t got = ReadFromFile(bytes.data() + have, bytes.size() - have);
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  return bytes;
}

GzipReader::GzipReader(std::unique_ptr<ByteReader> compressed)
    : compressed_(std::move(compressed)), input_(kChunk, '\0') {
  // 15 + 16: a gzip wrapper around a deflate stream with a 32 KiB window.
  if (inflateInit2(&stream_, 15 + 16) != Z_OK) throw std::bad_alloc();
}

GzipReader::~GzipReader() { inflateEnd(&stream_); }

bool GzipReader::Refill() {
  const size_t got = compressed_->Read(input_.data(), input_.size());
  stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
  stream_.avail_in = static_cast<uInt>(got);
  return got > 0;
}

size_t GzipReader::Read(char* buffer, size_t size) {
  if (!pending_error_.empty()) throw InputError(pending_error_);
  stream_.next_out = reinterpret_cast<Bytef*>(buffer);
  stream_.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
  const uInt wanted = stream_.avail_out;
  while (stream_.avail_out == wanted) {
    if (stream_.avail_in == 0 && !Refill()) {
      if (in_member_) throw InputError("gzip data cut short (truncated member)");
      return 0;
    }
    in_member_ = true;
    const int status = inflate(&stream_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      inflateReset(&stream_);
      in_member_ = false;
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      pending_error_ =
          std::string("gzip data error: ") + (stream_.msg ? stream_.msg : zError(status));
      // The bytes before the error belong to records that may be whole: the
      // error goes to whoever asks for more.
      if (stream_.avail_out != wanted) break;
      throw InputError(pending_error_);
    }
  }
  return wanted - stream_.avail_out;
}

}  // namespace korvane::cli
