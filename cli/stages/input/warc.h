// SPDX-License-Identifier: Apache-2.0
// The pages of a WARC file (WARC/1.0 or WARC/1.1, as inflated by the caller):
// each response record with HTTP status 200 and an HTML Content-Type is one
// page, known by its WARC-Target-URI, its HTTP headers stripped and its body
// decoded (chunked transfer coding, gzip or deflate Content-Encoding).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "input/byte_reader.h"
#include "input/http_response.h"
#include "input/input.h"

namespace korvane::cli {

class WarcReader {
 public:
  // `name` names the file in messages; pages get output names under
  // `output_base` ("<output_base>/000001.txt" for the first record). A page
  // larger than `max_page_size` (after decoding) is an error of its record.
  // With `slices`, a body without codings in a regular file comes as a
  // slice of it (Input::slice), its bytes unread.
  WarcReader(std::unique_ptr<ByteReader> input, std::string name, std::string output_base,
             uint64_t max_page_size = uint64_t{64} << 20, bool slices = false);
  ~WarcReader();

  // The next page, or a response record that holds none (kSkipped, with the
  // reason), or an error; nothing at the end. A page that cannot be read
  // (too large, a bad body coding) is its record's error, and the next
  // record follows. A record that breaks the file's framing is an error and
  // ends the file: what follows it cannot be found with certainty. A record
  // whose gzip member is whole and checked is given even when what follows
  // it is broken: the error is charged to what follows.
  std::optional<Input> Next();

 private:
  class Stream;
  class RecordBody;
  struct Header;

  struct Start;

  std::optional<Input> ReadRecord();
  Input ReadResponse(const Header& header, uint64_t length);
  Start PeekStart(uint64_t head_part);
  bool SliceBody(const HttpHead& head, uint64_t length, Input& page);
  void ReadBody(const HttpHead& head, RecordBody& raw, Input& page);
  void EndRecord();
  Input Failed(const std::string& reason);

  std::unique_ptr<Stream> stream_;
  std::string name_;
  std::string output_base_;
  std::string target_uri_;  // of the record being read
  uint64_t max_page_size_;
  uint64_t record_number_ = 0;
  uint64_t reported_consumed_ = 0;
  bool between_records_ = false;  // looking for the next record's start
  std::string deferred_error_;    // of what follows the last record given
  bool finished_ = false;
};

// True when the first bytes of (inflated) data begin a WARC record.
bool LooksLikeWarc(std::string_view first_bytes);

}  // namespace korvane::cli
