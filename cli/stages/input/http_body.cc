// SPDX-License-Identifier: Apache-2.0
#include "input/http_body.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
// A chunk-size line with its extensions; longer ones are not chunked data.
constexpr size_t kMaxSizeLine = 4096;

// "1a2b" or "1a2b;name=value" or "1a2b " → 0x1a2b; nothing when malformed.
std::optional<uint64_t> ChunkSize(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  uint64_t size = 0;
  size_t digits = 0;
  for (; digits < line.size(); ++digits) {
    const char c = line[digits];
    int value;
    if (c >= '0' && c <= '9') {
      value = c - '0';
    } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      value = (c | 0x20) - 'a' + 10;
    } else {
      break;
    }
    if (digits == 15) return std::nullopt;  // no page has a chunk of a petabyte
    size = size * 16 + static_cast<uint64_t>(value);
  }
  if (digits == 0) return std::nullopt;
  const std::string_view rest = line.substr(digits);
  const size_t first = rest.find_first_not_of(" \t");
  if (first != std::string_view::npos && rest[first] != ';') return std::nullopt;
  return size;
}

// A reader that can look at its first bytes before handing them out.
class PeekReader final : public ByteReader {
 public:
  explicit PeekReader(std::unique_ptr<ByteReader> raw) : raw_(std::move(raw)) {}

  std::string_view Peek(size_t size) {
    while (peeked_.size() < size) {
      char step[16];
      const size_t got = raw_->Read(step, std::min(sizeof step, size - peeked_.size()));
      if (got == 0) break;
      peeked_.append(step, got);
    }
    return peeked_;
  }

  size_t Read(char* buffer, size_t size) override {
    if (peeked_.empty()) return raw_->Read(buffer, size);
    const size_t taken = std::min(size, peeked_.size());
    std::memcpy(buffer, peeked_.data(), taken);
    peeked_.erase(0, taken);
    return taken;
  }

  uint64_t consumed() const override { return raw_->consumed(); }

 private:
  std::unique_ptr<ByteReader> raw_;
  std::string peeked_;
};

}  // namespace

ChunkedReader::ChunkedReader(std::unique_ptr<ByteReader> raw) : raw_(std::move(raw)) {}

bool ChunkedReader::Fill() {
  if (raw_ended_) return false;
  buffer_.erase(0, pos_);
  pos_ = 0;
  const size_t have = buffer_.size();
  buffer_.resize(have + kChunk);
  const size_t got = raw_->Read(buffer_.data() + have, kChunk);
  buffer_.resize(have + got);
  raw_ended_ = got == 0;
  return got > 0;
}

// True when a whole line (up to LF) is buffered; fills as needed, but never
// past kMaxSizeLine.
bool ChunkedReader::LineInBuffer(size_t* end) {
  for (;;) {
    *end = buffer_.find('\n', pos_);
    if (*end != std::string::npos) return *end - pos_ <= kMaxSizeLine;
    if (buffer_.size() - pos_ > kMaxSizeLine || !Fill()) return false;
  }
}

std::string ChunkedReader::TakeLine() {
  size_t end;
  if (!LineInBuffer(&end)) {
    throw InputError(buffer_.size() == pos_ ? "chunked body cut short"
                                            : "chunked body: chunk-size line too long");
  }
  std::string line = buffer_.substr(pos_, end - pos_);
  pos_ = end + 1;
  return line;
}

size_t ChunkedReader::TakeData(char* buffer, size_t size) {
  if (pos_ == buffer_.size()) {
    buffer_.clear();
    pos_ = 0;
    if (state_ == State::kAsItIs) return raw_ended_ ? 0 : raw_->Read(buffer, size);
    if (!Fill()) return 0;
  }
  const size_t taken = std::min(size, buffer_.size() - pos_);
  std::memcpy(buffer, buffer_.data() + pos_, taken);
  pos_ += taken;
  return taken;
}

size_t ChunkedReader::Read(char* buffer, size_t size) {
  for (;;) {
    switch (state_) {
      case State::kDone:
        return 0;
      case State::kAsItIs:
        return TakeData(buffer, size);
      case State::kFirstSize: {
        size_t end;
        const bool chunked =
            LineInBuffer(&end) && ChunkSize(std::string_view(buffer_).substr(pos_, end - pos_));
        state_ = chunked ? State::kSize : State::kAsItIs;
        break;
      }
      case State::kSize: {
        if (pos_ == buffer_.size() && !Fill()) {
          state_ = State::kDone;  // the connection closed between chunks
          break;
        }
        const std::optional<uint64_t> chunk = ChunkSize(TakeLine());
        if (!chunk) throw InputError("chunked body: bad chunk-size line");
        chunk_left_ = *chunk;
        state_ = chunk_left_ == 0 ? State::kDone : State::kData;  // trailer fields are dropped
        break;
      }
      case State::kData: {
        const size_t got =
            TakeData(buffer, static_cast<size_t>(std::min<uint64_t>(size, chunk_left_)));
        if (got == 0) throw InputError("chunked body cut short");
        chunk_left_ -= got;
        if (chunk_left_ == 0) state_ = State::kDataEnd;
        return got;
      }
      case State::kDataEnd: {
        const std::string line = TakeLine();
        if (line != "\r" && !line.empty())
          throw InputError("chunked body: chunk not ended by CRLF");
        state_ = State::kSize;
        break;
      }
    }
  }
}

std::unique_ptr<ByteReader> DecodedBody(std::unique_ptr<ByteReader> raw, const HttpHead& head) {
  std::unique_ptr<ByteReader> body = std::move(raw);
  if (head.chunked) body = std::make_unique<ChunkedReader>(std::move(body));
  const std::string& coding = head.content_encoding;
  if (coding.empty()) return body;
  if (coding == "gzip" || coding == "x-gzip") {
    auto peek = std::make_unique<PeekReader>(std::move(body));
    if (!IsGzip(peek->Peek(2))) return peek;  // stored inflated already
    return std::make_unique<GzipReader>(std::move(peek));
  }
  if (coding == "deflate") {
    return std::make_unique<GzipReader>(std::move(body), GzipReader::Wrapping::kDeflate);
  }
  throw InputError("Content-Encoding " + coding + " is not supported");
}

}  // namespace korvane::cli
