// SPDX-License-Identifier: Apache-2.0
#include "input/byte_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ascii.h"
#include "input/stop.h"

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
// How often a reader waiting on a stream looks whether a stop was asked for.
constexpr int kStopPollMilliseconds = 100;

std::string Reason(int error) { return std::strerror(error); }

std::string FileType(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

}  // namespace

TooLarge::TooLarge(uint64_t limit)
    : InputError("larger than " + SizeText(limit) + " (--max-page-size)") {}

std::string SizeText(uint64_t bytes) {
  constexpr std::pair<uint64_t, const char*> kUnits[] = {
      {uint64_t{1} << 30, " GiB"}, {uint64_t{1} << 20, " MiB"}, {uint64_t{1} << 10, " KiB"}};
  for (const auto& [unit, name] : kUnits) {
    if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + name;
  }
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string ReadAtMost(ByteReader& reader, uint64_t limit, uint64_t size_hint) {
  // One byte more than the limit shows that the input is larger; one byte
  // more than the hint shows the end without growing again.
  const uint64_t most = limit + 1;
  std::string bytes(std::min(most, size_hint > 0 ? size_hint + 1 : kChunk), '\0');
  size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (have == most) throw TooLarge(limit);
      bytes.resize(std::min<uint64_t>(most, bytes.size() * 2));
    }
    const size_t got = reader.Read(bytes.data() + have, bytes.size() - have);
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  return bytes;
}

FileReader::FileReader(int fd, bool owned) : fd_(fd), owned_(owned) {
  struct stat status;
  if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) {
    // Standard input may have been read before: it is read on from there.
    const off_t here = ::lseek(fd_, 0, SEEK_CUR);
    regular_ = here >= 0;
    position_ = regular_ ? static_cast<uint64_t>(here) : 0;
    regular_size_ = static_cast<uint64_t>(status.st_size);
  }
}

std::unique_ptr<FileReader> FileReader::Open(const std::string& path, Kinds kinds) {
  // O_NONBLOCK: opening a FIFO does not wait for its writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw InputError(Reason(errno));
  struct stat status;
  if (::fstat(fd, &status) != 0) {
    const int error = errno;
    ::close(fd);
    throw InputError(Reason(error));
  }
  if (S_ISDIR(status.st_mode)) {
    ::close(fd);
    throw InputError(Reason(EISDIR));
  }
  if (kinds == Kinds::kRegularOnly && !S_ISREG(status.st_mode)) {
    ::close(fd);
    throw InputError("not a regular file (" + FileType(status.st_mode) + "), not read");
  }
  return std::unique_ptr<FileReader>(new FileReader(fd, true));
}

std::unique_ptr<FileReader> FileReader::StandardInput() {
  return std::unique_ptr<FileReader>(new FileReader(STDIN_FILENO, false));
}

FileReader::~FileReader() {
  if (owned_) {
    ::close(fd_);
  } else if (regular_) {
    // A regular file is read where it stands (pread): standard input is
    // left as far as it was read, as reading it would have left it.
    ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
  }
}

// Streams may never end (a FIFO without a writer, a terminal): wait in short
// steps, so that a stop request ends the wait.
void FileReader::WaitForData() {
  for (;;) {
    if (StopRequested()) throw Stopped();
    pollfd wanted{fd_, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, kStopPollMilliseconds);
    if (ready > 0) return;
    if (ready < 0 && errno != EINTR) throw InputError(Reason(errno));
  }
}

// A regular file is read where it stands, so that passing over part of it
// (SliceAhead) takes no system call.
size_t FileReader::ReadFromFile(char* buffer, size_t size) {
  for (;;) {
    if (!regular_) WaitForData();
    const ssize_t got = regular_ ? ::pread(fd_, buffer, size, static_cast<off_t>(position_))
                                 : ::read(fd_, buffer, size);
    if (got >= 0) {
      consumed_ += static_cast<uint64_t>(got);
      position_ += static_cast<uint64_t>(got);
      return static_cast<size_t>(got);
    }
    if (errno != EINTR && errno != EAGAIN) throw InputError(Reason(errno));
  }
}

std::string_view FileReader::Peek(size_t size) {
  return peeked_.Peek(size, [this](char* buffer, size_t n) { return ReadFromFile(buffer, n); });
}

size_t FileReader::Read(char* buffer, size_t size) {
  if (peeked_.size() == 0) return ReadFromFile(buffer, size);
  return peeked_.Take(buffer, size);
}

uint64_t FileReader::SizeNow() {
  struct stat status;
  if (::fstat(fd_, &status) == 0) regular_size_ = static_cast<uint64_t>(status.st_size);
  return regular_size_;
}

std::shared_ptr<const SharedFile> FileReader::Shared() {
  if (!shared_) {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd >= 0) shared_ = std::make_shared<SharedFile>(fd);
  }
  return shared_;
}

std::optional<FileSlice> FileReader::SliceAhead(uint64_t count) {
  if (!regular_ || peeked_.size() > 0 || !Shared()) return std::nullopt;
  const uint64_t end = position_ + count;
  if (end > regular_size_ && end > SizeNow()) return std::nullopt;
  const FileSlice slice{shared_, position_, count, 0};
  position_ = end;
  consumed_ += count;
  return slice;
}

std::optional<FileSlice> FileReader::RestAsSlice(uint64_t limit) {
  if (!regular_ || !Shared()) return std::nullopt;
  const uint64_t offset = position_ - peeked_.size();
  const uint64_t size = regular_size_ > offset ? regular_size_ - offset : 0;
  if (size > limit) throw TooLarge(limit);  // a sparse 100 GB file is not read at all
  consumed_ += size - peeked_.size();
  position_ = offset + size;
  peeked_.Clear();
  return FileSlice{shared_, offset, size, limit};
}

std::string FileReader::ReadAtMost(uint64_t limit) {
  uint64_t left = 0;
  if (regular_) {
    left = peeked_.size() + (regular_size_ > position_ ? regular_size_ - position_ : 0);
    if (left > limit) throw TooLarge(limit);  // a sparse 100 GB file is not read at all
  }
  return cli::ReadAtMost(*this, limit, left);
}

GzipReader::GzipReader(std::unique_ptr<ByteReader> compressed, Wrapping wrapping)
    : compressed_(std::move(compressed)), wrapping_(wrapping), input_(kChunk, '\0') {
  if (wrapping_ == Wrapping::kGzip) {
    inflater_ = std::make_unique<GzipInflater>();
    return;
  }
  // The window bits are chosen again by StartDeflate.
  if (inflateInit2(&stream_, 15) != Z_OK) throw std::bad_alloc();
}

GzipReader::~GzipReader() {
  if (wrapping_ == Wrapping::kDeflate) inflateEnd(&stream_);
}

size_t GzipReader::InputLeft() const {
  return wrapping_ == Wrapping::kGzip ? inflater_->input_left() : stream_.avail_in;
}

size_t GzipReader::Read(char* buffer, size_t size) {
  if (!pending_error_.empty()) throw InputError(pending_error_);
  if (size == 0) return 0;
  return wrapping_ == Wrapping::kGzip ? ReadGzip(buffer, size) : ReadDeflate(buffer, size);
}

bool GzipReader::RefillGzip() {
  input_size_ = compressed_->Read(input_.data(), input_.size());
  inflater_->SetInput(std::string_view(input_.data(), input_size_));
  return input_size_ > 0;
}

// Between members: NUL bytes up to the end are padding (tape blocks, some
// writers); true when nothing else follows.
bool GzipReader::SkipPadding() {
  for (;;) {
    size_t at = input_size_ - inflater_->input_left();
    while (at < input_size_ && input_[at] == '\0') ++at;
    inflater_->SetInput(std::string_view(input_.data() + at, input_size_ - at));
    if (at < input_size_) return false;
    if (!RefillGzip()) return true;
  }
}

// Bytes that do not begin a member after a complete one are foreign data
// (a trailer, a second file), not a damaged member.
std::string GzipReader::GzipErrorText(const InputError& error) const {
  if (members_ == 0 || member_out_ > 0) return error.what();
  constexpr std::string_view kPrefix = "gzip data error: ";
  std::string_view reason = error.what();
  if (reason.starts_with(kPrefix)) reason.remove_prefix(kPrefix.size());
  return "bytes after a complete gzip member are not gzip data (" + std::string(reason) + ")";
}

size_t GzipReader::ReadGzip(char* buffer, size_t size) {
  for (;;) {
    if (!inflater_->in_member()) {
      if (SkipPadding()) return 0;
      member_out_ = 0;
    }
    GzipInflater::Step step;
    try {
      step = inflater_->Inflate(buffer, size);
    } catch (const InputError& error) {
      pending_error_ = GzipErrorText(error);
      throw InputError(pending_error_);
    }
    member_out_ += step.written;
    if (step.written > 0) verified_ = false;
    if (step.member_end) {
      // The inflater has checked the member's CRC-32 and length.
      verified_ = true;
      ++members_;
    }
    if (step.written > 0) return step.written;
    // ISA-L keeps the last bytes of its input in a buffer of its own: more
    // input is needed only once a call with none left gives nothing.
    if (!step.member_end && inflater_->input_left() == 0 && !RefillGzip()) {
      pending_error_ = "gzip data cut short (truncated member)";
      throw InputError(pending_error_);
    }
  }
}

bool GzipReader::Refill() {
  const size_t got = compressed_->Read(input_.data(), input_.size());
  stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
  stream_.avail_in = static_cast<uInt>(got);
  return got > 0;
}

namespace {

// The zlib header: deflate with a window of at most 32 KiB, and a check.
bool IsZlibHeader(std::string_view bytes) {
  if (bytes.size() < 2) return false;
  const auto first = static_cast<unsigned char>(bytes[0]);
  const auto second = static_cast<unsigned char>(bytes[1]);
  return (first & 0x0F) == 8 && (first >> 4) <= 7 && ((first << 8) | second) % 31 == 0;
}

}  // namespace

bool BeginsAsDeflate(std::string_view prefix) {
  z_stream stream{};
  if (inflateInit2(&stream, IsZlibHeader(prefix) ? 15 : -15) != Z_OK) throw std::bad_alloc();
  std::string scratch(kChunk, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(prefix.data()));
  stream.avail_in = static_cast<uInt>(prefix.size());
  int status = Z_OK;
  // A few blocks of output say enough, and a bomb stops here.
  for (int round = 0; round < 16 && status == Z_OK && stream.avail_in > 0; ++round) {
    stream.next_out = reinterpret_cast<Bytef*>(scratch.data());
    stream.avail_out = static_cast<uInt>(scratch.size());
    status = inflate(&stream, Z_NO_FLUSH);
  }
  inflateEnd(&stream);
  return status == Z_OK || status == Z_STREAM_END || status == Z_BUF_ERROR;
}

// HTTP's "deflate" is zlib data, but servers send raw deflate data too;
// browsers take both, told apart by the zlib header.
void GzipReader::StartDeflate() {
  started_ = true;
  std::string head;
  while (head.size() < 2) {
    char byte;
    if (compressed_->Read(&byte, 1) == 0) break;
    head += byte;
  }
  inflateReset2(&stream_, IsZlibHeader(head) ? 15 : -15);
  std::copy(head.begin(), head.end(), input_.begin());
  stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
  stream_.avail_in = static_cast<uInt>(head.size());
}

std::string GzipReader::DeflateErrorText(int status) const {
  return std::string("deflate data error: ") + (stream_.msg ? stream_.msg : zError(status));
}

size_t GzipReader::ReadDeflate(char* buffer, size_t size) {
  if (ended_) return 0;
  if (!started_) StartDeflate();
  stream_.next_out = reinterpret_cast<Bytef*>(buffer);
  stream_.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
  const uInt wanted = stream_.avail_out;
  while (stream_.avail_out == wanted) {
    if (stream_.avail_in == 0 && !Refill()) {
      if (in_member_) {
        pending_error_ = "deflate data cut short (truncated member)";
        throw InputError(pending_error_);
      }
      return 0;
    }
    in_member_ = true;
    const int status = inflate(&stream_, Z_NO_FLUSH);
    if (stream_.avail_out != wanted) verified_ = false;
    if (status == Z_STREAM_END) {
      verified_ = true;
      in_member_ = false;
      ++members_;
      ended_ = true;  // what follows one deflate stream is not part of the body
      break;
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      // The bytes before the error may be all the page: the error goes to
      // whoever asks for more.
      pending_error_ = DeflateErrorText(status);
      if (stream_.avail_out != wanted) break;
      throw InputError(pending_error_);
    }
  }
  return wanted - stream_.avail_out;
}

std::optional<uint64_t> ParseSize(std::string_view text) {
  uint64_t value = 0;
  size_t digits = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(text[digits] - '0');
  }
  if (digits == 0 || value == 0) return std::nullopt;
  const std::string unit = AsciiLowered(text.substr(digits));
  int shift = 0;
  if (unit == "k") {
    shift = 10;
  } else if (unit == "m") {
    shift = 20;
  } else if (unit == "g") {
    shift = 30;
  } else if (!unit.empty()) {
    return std::nullopt;
  }
  if (value > (UINT64_MAX >> shift)) return std::nullopt;
  return value << shift;
}

}  // namespace korvane::cli
