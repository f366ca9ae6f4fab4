// SPDX-License-Identifier: Apache-2.0
#include "input/http_body.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "input/brotli_reader.h"
#include "input/formats.h"
#include "input/zstd_reader.h"

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
// A chunk-size line with its extensions; longer ones are not chunked data.
constexpr size_t kMaxSizeLine = 4096;

// The first bytes of a body, enough to tell its coding from text.
constexpr size_t kProbeLength = 4096;
// A chunk size beyond this many significant hex digits is no real chunk.
constexpr size_t kMaxSizeDigits = 15;

struct SizeLine {
  bool is_size = false;          // hex digits, then blanks or ";" extensions
  std::optional<uint64_t> size;  // nothing: too large to be a chunk
};

// "1a2b", "001a2b;name=value" or "1a2b " → 0x1a2b, however many leading zeros.
SizeLine ParseSizeLine(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  uint64_t size = 0;
  size_t digits = 0;
  size_t significant = 0;
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
    if (significant > 0 || value > 0) ++significant;
    if (significant <= kMaxSizeDigits) size = size * 16 + static_cast<uint64_t>(value);
  }
  if (digits == 0) return {};
  const std::string_view rest = line.substr(digits);
  const size_t first = rest.find_first_not_of(" \t");
  if (first != std::string_view::npos && rest[first] != ';') return {};
  if (significant > kMaxSizeDigits) return {true, std::nullopt};
  return {true, size};
}

std::string FieldOf(const HttpCoding& coding) {
  return coding.transfer ? "Transfer-Encoding" : "Content-Encoding";
}

// Undoes one coding. Archives store some bodies decoded but keep their
// headers: a body that does not begin as its coding says is taken as it is.
std::unique_ptr<ByteReader> Undone(std::unique_ptr<ByteReader> body, const HttpCoding& coding) {
  const std::string& name = coding.name;
  if (name == "chunked") return std::make_unique<ChunkedReader>(std::move(body));
  auto peek = std::make_unique<PeekingReader>(std::move(body));
  const std::string_view prefix = peek->Peek(kProbeLength);
  if (name == "gzip" || name == "x-gzip") {
    if (!IsGzip(prefix)) return peek;
    return std::make_unique<GzipReader>(std::move(peek));
  }
  if (name == "deflate") {
    if (!BeginsAsDeflate(prefix)) return peek;
    return std::make_unique<GzipReader>(std::move(peek), GzipReader::Wrapping::kDeflate);
  }
  if (name == "br") {
    if (!BeginsAsBrotli(prefix)) return peek;
    return std::make_unique<BrotliReader>(std::move(peek));
  }
  if (name == "zstd") {
    if (!IsZstd(prefix)) return peek;
    return std::make_unique<ZstdReader>(std::move(peek));
  }
  throw InputError(FieldOf(coding) + " " + name + " is not supported");
}

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
            LineInBuffer(&end) &&
            ParseSizeLine(std::string_view(buffer_).substr(pos_, end - pos_)).is_size;
        state_ = chunked ? State::kSize : State::kAsItIs;
        break;
      }
      case State::kSize: {
        if (pos_ == buffer_.size() && !Fill()) {
          state_ = State::kDone;  // the connection closed between chunks
          break;
        }
        const SizeLine line = ParseSizeLine(TakeLine());
        if (!line.is_size) throw InputError("chunked body: bad chunk-size line");
        if (!line.size) throw InputError("chunked body: chunk size too large");
        chunk_left_ = *line.size;
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
  // The last coding applied is undone first.
  for (auto coding = head.codings.rbegin(); coding != head.codings.rend(); ++coding) {
    body = Undone(std::move(body), *coding);
  }
  return body;
}

}  // namespace korvane::cli
