// SPDX-License-Identifier: Apache-2.0
#include "input/warc.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "ascii.h"
#include "input/http_body.h"
#include "input/http_response.h"
#include "input/read_failure.h"

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
// Reads of a file whose pages are sliced out of it: what is read is then
// mostly headers, and a body is passed over without being read.
constexpr size_t kSlicingChunk = 8 * 1024;
// How much of a response is looked at first for its HTTP head.
constexpr size_t kFirstLook = 4 * 1024;
constexpr size_t kMaxHeaderLine = 64 * 1024;
constexpr size_t kMaxHeaderLines = 1024;
// Where the HTTP headers of a response must end.
constexpr size_t kMaxHttpHead = 64 * 1024;

std::string RecordFileName(uint64_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "%06llu.txt", static_cast<unsigned long long>(number));
  return name;
}

}  // namespace

// Buffered reading of the (decompressed) WARC bytes.
class WarcReader::Stream {
 public:
  Stream(std::unique_ptr<ByteReader> input, bool slices)
      : input_(std::move(input)),
        slices_(slices && input_->Sliceable()),
        chunk_(slices_ ? kSlicingChunk : kChunk) {}

  bool Sliceable() const { return slices_; }

  uint64_t consumed() const { return input_->consumed(); }
  // Every byte handed out so far has been checked (gzip: its member's CRC-32).
  bool Verified() const { return input_->Verified(); }
  bool Buffered() const { return pos_ < buffer_.size(); }

  bool AtEnd() { return pos_ == buffer_.size() && !Fill(); }

  // The next `size` bytes (fewer at the end), not consumed.
  std::string_view Peek(size_t size) {
    if (buffer_.size() - pos_ < size) {
      buffer_.erase(0, pos_);
      pos_ = 0;
      const size_t have = buffer_.size();
      buffer_.resize(std::max(size, chunk_));
      size_t got = have;
      try {
        while (got < size) {
          const size_t step = input_->Read(buffer_.data() + got, buffer_.size() - got);
          if (step == 0) break;
          got += step;
        }
      } catch (...) {
        buffer_.resize(got);
        throw;
      }
      buffer_.resize(got);
    }
    return std::string_view(buffer_).substr(pos_, size);
  }

  // One line without its LF; throws at the end or past `kMaxHeaderLine`.
  std::string ReadLine() {
    std::string line;
    for (;;) {
      if (AtEnd()) throw InputError("record cut short inside its header");
      const size_t end = buffer_.find('\n', pos_);
      const size_t stop = end == std::string::npos ? buffer_.size() : end;
      line.append(buffer_, pos_, stop - pos_);
      pos_ = end == std::string::npos ? stop : end + 1;
      if (line.size() > kMaxHeaderLine) throw InputError("WARC header line too long");
      if (end != std::string::npos) return line;
    }
  }

  // Appends `count` bytes to `out` (or drops them without one); returns how
  // many there were before the end.
  uint64_t Take(uint64_t count, std::string* out) {
    uint64_t taken = 0;
    while (taken < count && !AtEnd()) {
      const size_t step =
          static_cast<size_t>(std::min<uint64_t>(count - taken, buffer_.size() - pos_));
      if (out) out->append(buffer_, pos_, step);
      pos_ += step;
      taken += step;
    }
    return taken;
  }

  // Passes over `count` bytes, without reading those past the buffer when
  // the file can be sliced; returns how many there were before the end.
  uint64_t Skip(uint64_t count) {
    const uint64_t buffered = std::min<uint64_t>(count, buffer_.size() - pos_);
    pos_ += buffered;
    if (buffered < count && slices_ && input_->SliceAhead(count - buffered)) return count;
    return buffered + Take(count - buffered, nullptr);
  }

  // The `count` bytes after the next `skip` (which the buffer holds) as a
  // slice of the file, passed over with them; nothing, and nothing passed
  // over, when the stream cannot slice them.
  std::optional<FileSlice> Slice(size_t skip, uint64_t count) {
    if (!slices_) return std::nullopt;
    const size_t buffered = buffer_.size() - pos_ - skip;
    const uint64_t in_buffer = std::min<uint64_t>(count, buffered);
    std::optional<FileSlice> rest = input_->SliceAhead(count - in_buffer);
    if (!rest) return std::nullopt;
    pos_ += skip + in_buffer;
    // The buffer ends with the file's bytes just before where `rest` began.
    return FileSlice{std::move(rest->file), rest->offset - buffered, count, 0};
  }

  // Up to `size` bytes into `out`; 0 only at the end.
  size_t TakeInto(char* out, size_t size) {
    if (AtEnd()) return 0;
    const size_t step = std::min(size, buffer_.size() - pos_);
    std::memcpy(out, buffer_.data() + pos_, step);
    pos_ += step;
    return step;
  }

 private:
  bool Fill() {
    buffer_.resize(chunk_);
    pos_ = 0;
    try {
      buffer_.resize(input_->Read(buffer_.data(), buffer_.size()));
    } catch (...) {
      buffer_.clear();
      throw;
    }
    return !buffer_.empty();
  }

  std::unique_ptr<ByteReader> input_;
  const bool slices_;
  const size_t chunk_;
  std::string buffer_;
  size_t pos_ = 0;
};

// The HTTP body of a response record: the bytes read with its head, then
// the rest of the record's block. A failure of the stream itself breaks the
// file's framing; a failure of what decodes the body is the record's.
class WarcReader::RecordBody final : public ByteReader {
 public:
  // The body begins at `start[offset]` and goes on for `left` bytes of the
  // stream after `start`.
  RecordBody(Stream& stream, std::string start, size_t offset, uint64_t left)
      : stream_(stream), start_(std::move(start)), start_pos_(offset), left_(left) {}

  uint64_t size() const { return start_.size() - start_pos_ + left_; }
  bool stream_failed() const { return stream_failed_; }

  size_t Read(char* buffer, size_t size) override {
    if (start_pos_ < start_.size()) {
      const size_t step = std::min(size, start_.size() - start_pos_);
      std::memcpy(buffer, start_.data() + start_pos_, step);
      start_pos_ += step;
      return step;
    }
    if (left_ == 0) return 0;
    size_t got = 0;
    try {
      got = stream_.TakeInto(buffer, static_cast<size_t>(std::min<uint64_t>(size, left_)));
    } catch (const InputError&) {
      stream_failed_ = true;
      throw;
    }
    if (got == 0) {
      stream_failed_ = true;
      throw InputError("record cut short");
    }
    left_ -= got;
    return got;
  }

  uint64_t consumed() const override { return stream_.consumed(); }

  // Appends the whole of what is left to `out`, straight from the stream's
  // buffer: a body without codings is taken so, with no copy between.
  void AppendTo(std::string& out) {
    out.append(start_, start_pos_);
    start_pos_ = start_.size();
    uint64_t taken = 0;
    try {
      taken = stream_.Take(left_, &out);
    } catch (const InputError&) {
      stream_failed_ = true;
      throw;
    }
    if (taken < left_) {
      stream_failed_ = true;
      throw InputError("record cut short");
    }
    left_ = 0;
  }

  // Passes over what is left of the block.
  void Skip() {
    stream_failed_ = true;  // whatever fails now is the stream's
    if (stream_.Take(left_, nullptr) < left_) throw InputError("record cut short");
    left_ = 0;
  }

 private:
  Stream& stream_;
  std::string start_;
  size_t start_pos_ = 0;
  uint64_t left_;
  bool stream_failed_ = false;
};

namespace {

// Hands the reads on to a reader owned elsewhere.
class Borrowed final : public ByteReader {
 public:
  explicit Borrowed(ByteReader& reader) : reader_(reader) {}
  size_t Read(char* buffer, size_t size) override { return reader_.Read(buffer, size); }
  uint64_t consumed() const override { return reader_.consumed(); }

 private:
  ByteReader& reader_;
};

}  // namespace

struct WarcReader::Header {
  std::vector<std::pair<std::string, std::string>> fields;  // names in lower case

  std::string Get(std::string_view name) const {
    for (const auto& [field, value] : fields) {
      if (field == name) return value;
    }
    return {};
  }
};

WarcReader::WarcReader(std::unique_ptr<ByteReader> input, std::string name, std::string output_base,
                       uint64_t max_page_size, bool slices)
    : stream_(std::make_unique<Stream>(std::move(input), slices)),
      name_(std::move(name)),
      output_base_(std::move(output_base)),
      max_page_size_(max_page_size) {}

WarcReader::~WarcReader() = default;

bool LooksLikeWarc(std::string_view first_bytes) {
  return first_bytes.starts_with("WARC/1.0\r\n") || first_bytes.starts_with("WARC/1.1\r\n");
}

Input WarcReader::Failed(const std::string& reason) {
  finished_ = true;
  // Nothing read yet: the failure is the first record's.
  const bool after = between_records_ && record_number_ > 0;
  std::string where = after ? "after record " + std::to_string(record_number_)
                            : "record " + std::to_string(std::max<uint64_t>(record_number_, 1));
  if (!after && !target_uri_.empty()) where += " (" + target_uri_ + ")";
  const bool more = record_number_ > 0;
  return ErrorInput(name_,
                    where + ": " + reason + (more ? "; the rest of the file is not read" : ""));
}

std::optional<Input> WarcReader::Next() {
  while (!finished_) {
    std::optional<Input> page;
    if (const std::optional<std::string> failure = ReadingFailure([&] { page = ReadRecord(); })) {
      return Failed(*failure);
    }
    if (!page) continue;
    const uint64_t consumed = stream_->consumed();
    page->input_bytes = consumed - reported_consumed_;
    reported_consumed_ = consumed;
    return page;
  }
  return std::nullopt;
}

std::optional<Input> WarcReader::ReadRecord() {
  between_records_ = true;
  if (!deferred_error_.empty()) throw InputError(deferred_error_);
  if (stream_->AtEnd()) {
    finished_ = true;
    return std::nullopt;
  }
  between_records_ = false;
  ++record_number_;
  target_uri_.clear();
  const std::string_view start = stream_->Peek(10);
  if (start != "WARC/1.0\r\n" && start != "WARC/1.1\r\n") {
    throw InputError(record_number_ == 1 ? "not a WARC file (no WARC/1.0 or WARC/1.1 header)"
                                         : "no WARC/1.0 or WARC/1.1 header where one begins");
  }
  stream_->ReadLine();
  Header header;
  for (std::string line = stream_->ReadLine(); line != "\r"; line = stream_->ReadLine()) {
    if (!line.ends_with('\r')) throw InputError("WARC header line not ended by CRLF");
    line.pop_back();
    if (header.fields.size() >= kMaxHeaderLines) throw InputError("WARC header too long");
    if ((line.starts_with(' ') || line.starts_with('\t')) && !header.fields.empty()) {
      header.fields.back().second.append(" ").append(TrimHeaderSpace(line));
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) throw InputError("WARC header line without a colon");
    header.fields.emplace_back(AsciiLowered(TrimHeaderSpace(line.substr(0, colon))),
                               std::string(TrimHeaderSpace(line.substr(colon + 1))));
  }
  target_uri_ = header.Get("warc-target-uri");
  if (target_uri_.size() >= 2 && target_uri_.front() == '<' && target_uri_.back() == '>') {
    target_uri_ = target_uri_.substr(1, target_uri_.size() - 2);
  }
  const std::string length_text = header.Get("content-length");
  uint64_t length = 0;
  const auto [end, error] =
      std::from_chars(length_text.data(), length_text.data() + length_text.size(), length);
  if (length_text.empty() || error != std::errc() ||
      end != length_text.data() + length_text.size()) {
    throw InputError("missing or bad Content-Length");
  }
  std::optional<Input> page;
  if (AsciiLowered(header.Get("warc-type")) == "response") {
    page = ReadResponse(header, length);
  } else if (stream_->Skip(length) < length) {
    throw InputError("record cut short");
  }
  EndRecord();
  return page;
}

// The start of a response record's block, up to its HTTP head's end when
// it has one within `head_part` bytes: looked at in the stream's buffer, a
// little at first, and not consumed.
struct WarcReader::Start {
  std::string_view bytes;
  std::optional<HttpHead> head;  // when the block begins with a whole HTTP head
};

WarcReader::Start WarcReader::PeekStart(uint64_t head_part) {
  for (size_t wanted = std::min<uint64_t>(head_part, kFirstLook);;
       wanted = std::min<uint64_t>(head_part, wanted * 4)) {
    Start start{stream_->Peek(wanted), std::nullopt};
    if (start.bytes.size() < wanted) throw InputError("record cut short");
    start.head = ParseHttpHead(start.bytes);
    if (start.head || wanted == head_part) return start;
  }
}

Input WarcReader::ReadResponse(const Header& header, uint64_t length) {
  Input page;
  page.source =
      target_uri_.empty() ? name_ + " record " + std::to_string(record_number_) : target_uri_;
  page.url = target_uri_;
  page.output_name = output_base_ + "/" + RecordFileName(record_number_);
  const uint64_t head_part = std::min<uint64_t>(length, kMaxHttpHead);
  const Start start = PeekStart(head_part);
  const std::string type = AsciiLowered(header.Get("content-type"));
  // Without a Content-Type, a block that begins as HTTP is taken for HTTP.
  const bool is_http =
      type.starts_with("application/http") || (type.empty() && start.bytes.starts_with("HTTP/"));
  const std::optional<HttpHead>& head = is_http ? start.head : std::nullopt;
  std::string skip_reason;
  if (is_http && !head && start.bytes.starts_with("HTTP/")) {
    // A response whose head has no end is broken: the record's error, not a
    // response passed over.
    page.kind = Input::Kind::kError;
    page.error = start.bytes.size() == kMaxHttpHead
                     ? "HTTP response head longer than " + SizeText(kMaxHttpHead)
                     : std::string("HTTP response head cut short (no blank line)");
  } else if (!head) {
    skip_reason = is_http ? "no complete HTTP response head" : "not an HTTP response";
  } else if (head->status == 0) {
    skip_reason = "bad HTTP status line";
  } else if (head->status != 200) {
    skip_reason = "HTTP status " + std::to_string(head->status);
  } else if (!IsHtmlMediaType(head->content_type)) {
    skip_reason = "Content-Type " +
                  (head->content_type.empty() ? std::string("missing") : head->content_type);
  }
  if (!skip_reason.empty() || page.kind == Input::Kind::kError) {
    if (stream_->Skip(length) < length) throw InputError("record cut short");
    if (!skip_reason.empty()) {
      page.kind = Input::Kind::kSkipped;
      page.error = skip_reason;
    }
    return page;
  }
  if (SliceBody(*head, length, page)) return page;
  std::string content;
  if (stream_->Take(head_part, &content) < head_part) throw InputError("record cut short");
  RecordBody body(*stream_, std::move(content), head->length, length - head_part);
  ReadBody(*head, body, page);
  body.Skip();
  return page;
}

// A body without codings in a file that can be sliced is left there, for
// the thread that converts it to read; false when it is not so.
bool WarcReader::SliceBody(const HttpHead& head, uint64_t length, Input& page) {
  if (!head.codings.empty() || !stream_->Sliceable()) return false;
  const uint64_t body_size = length - head.length;
  if (body_size > max_page_size_) return false;  // refused on the common road
  // The head is in the stream's buffer: PeekStart read it.
  std::optional<FileSlice> slice = stream_->Slice(head.length, body_size);
  if (!slice) return false;
  page.slice = std::move(*slice);
  page.http_charset = CharsetFromContentType(head.content_type).value_or("");
  return true;
}

// The page's bytes, or its error when they cannot be had; the stream's own
// failures are thrown.
void WarcReader::ReadBody(const HttpHead& head, RecordBody& raw, Input& page) {
  const std::optional<std::string> failure = ReadingFailure([&] {
    if (head.codings.empty() && raw.size() > max_page_size_) {
      throw TooLarge(max_page_size_);  // refused unread
    }
    if (head.codings.empty()) {
      // As long as what is left of the record: taken into a string of its
      // size, not grown to it.
      page.bytes.reserve(raw.size());
      raw.AppendTo(page.bytes);
    } else {
      const std::unique_ptr<ByteReader> body = DecodedBody(std::make_unique<Borrowed>(raw), head);
      page.bytes = ReadAtMost(*body, max_page_size_);
    }
    page.http_charset = CharsetFromContentType(head.content_type).value_or("");
  });
  if (!failure) return;
  if (raw.stream_failed()) throw InputError(*failure);
  page.kind = Input::Kind::kError;
  page.error = *failure;
  std::string().swap(page.bytes);
}

void WarcReader::EndRecord() {
  std::string end;
  if (stream_->Take(4, &end) < 4 || end != "\r\n\r\n") {
    throw InputError("record not followed by CRLF CRLF (cut short or bad Content-Length)");
  }
  // A gzip member that ends with the record is checked now, so that a bad
  // CRC-32 is this record's error; what goes wrong past a checked member is
  // the next one's.
  if (stream_->Buffered() || stream_->Verified()) return;
  try {
    stream_->AtEnd();
  } catch (const InputError& error) {
    if (!stream_->Verified()) throw;
    deferred_error_ = error.what();
  }
}

}  // namespace korvane::cli
