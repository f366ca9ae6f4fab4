#include "warc.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>
#include <vector>

#include "ascii.h"
#include "http_response.h"

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
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
  explicit Stream(std::unique_ptr<ByteReader> input) : input_(std::move(input)) {}

  uint64_t consumed() const { return input_->consumed(); }

  // Reads ahead: for gzip data this checks the member that just ended.
  bool AtEnd() { return pos_ == buffer_.size() && !Fill(); }

  // The next `size` bytes (fewer at the end), not consumed.
  std::string_view Peek(size_t size) {
    if (buffer_.size() - pos_ < size) {
      buffer_.erase(0, pos_);
      pos_ = 0;
      const size_t have = buffer_.size();
      buffer_.resize(std::max(size, kChunk));
      size_t got = have;
      while (got < size) {
        const size_t step = input_->Read(buffer_.data() + got, buffer_.size() - got);
        if (step == 0) break;
        got += step;
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

 private:
  bool Fill() {
    buffer_.resize(kChunk);
    buffer_.resize(input_->Read(buffer_.data(), buffer_.size()));
    pos_ = 0;
    return !buffer_.empty();
  }

  std::unique_ptr<ByteReader> input_;
  std::string buffer_;
  size_t pos_ = 0;
};

struct WarcReader::Header {
  std::vector<std::pair<std::string, std::string>> fields;  // names in lower case

  std::string Get(std::string_view name) const {
    for (const auto& [field, value] : fields) {
      if (field == name) return value;
    }
    return {};
  }
};

WarcReader::WarcReader(std::unique_ptr<ByteReader> input, std::string name, std::string output_base)
    : stream_(std::make_unique<Stream>(std::move(input))),
      name_(std::move(name)),
      output_base_(std::move(output_base)) {}

WarcReader::~WarcReader() = default;

bool LooksLikeWarc(std::string_view first_bytes) {
  return first_bytes.starts_with("WARC/1.0\r\n") || first_bytes.starts_with("WARC/1.1\r\n") ||
         IsGzip(first_bytes);
}

std::optional<Input> WarcReader::Next() {
  while (!finished_) {
    try {
      std::optional<Input> page = ReadRecord();
      if (!page) continue;
      const uint64_t consumed = stream_->consumed();
      page->input_bytes = consumed - reported_consumed_;
      reported_consumed_ = consumed;
      return page;
    } catch (const InputError& error) {
      finished_ = true;
      std::string where = "record " + std::to_string(record_number_);
      if (!target_uri_.empty()) where += " (" + target_uri_ + ")";
      const bool more = record_number_ > 0;
      return ErrorInput(
          name_, where + ": " + error.what() + (more ? "; the rest of the file is not read" : ""));
    }
  }
  return std::nullopt;
}

std::optional<Input> WarcReader::ReadRecord() {
  if (stream_->AtEnd()) {
    finished_ = true;
    return std::nullopt;
  }
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
  if (header.Get("warc-type") == "response") {
    page = ReadResponse(header, length);
  } else if (stream_->Take(length, nullptr) < length) {
    throw InputError("record cut short");
  }
  EndRecord();
  return page;
}

Input WarcReader::ReadResponse(const Header& header, uint64_t length) {
  Input page;
  page.source =
      target_uri_.empty() ? name_ + " record " + std::to_string(record_number_) : target_uri_;
  page.url = target_uri_;
  page.output_name = output_base_ + "/" + RecordFileName(record_number_);
  std::string content;
  const uint64_t head_part = std::min<uint64_t>(length, kMaxHttpHead);
  if (stream_->Take(head_part, &content) < head_part) throw InputError("record cut short");
  const bool is_http = AsciiLowered(header.Get("content-type")).starts_with("application/http");
  const std::optional<HttpHead> head = is_http ? ParseHttpHead(content) : std::optional<HttpHead>();
  std::string skip_reason;
  if (!head) {
    skip_reason = is_http ? "no complete HTTP response head" : "not an HTTP response";
  } else if (head->status != 200) {
    skip_reason = "HTTP status " + std::to_string(head->status);
  } else if (!IsHtmlMediaType(head->content_type)) {
    skip_reason = "Content-Type " +
                  (head->content_type.empty() ? std::string("missing") : head->content_type);
  }
  const uint64_t rest = length - head_part;
  if (!skip_reason.empty()) {
    if (stream_->Take(rest, nullptr) < rest) throw InputError("record cut short");
    page.kind = Input::Kind::kSkipped;
    page.error = skip_reason;
    return page;
  }
  content.erase(0, head->length);
  if (stream_->Take(rest, &content) < rest) throw InputError("record cut short");
  page.bytes = std::move(content);
  page.http_charset = CharsetFromContentType(head->content_type).value_or("");
  return page;
}

void WarcReader::EndRecord() {
  std::string end;
  if (stream_->Take(4, &end) < 4 || end != "\r\n\r\n") {
    throw InputError("record not followed by CRLF CRLF (cut short or bad Content-Length)");
  }
  stream_->AtEnd();
}

}  // namespace korvane::cli
