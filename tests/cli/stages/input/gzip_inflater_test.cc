// SPDX-License-Identifier: Apache-2.0
#include "input/gzip_inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "encode.h"
#include "input/byte_reader.h"

namespace korvane::cli {
namespace {

using test_support::Gzip;

struct Inflated {
  std::string text;
  int members = 0;
  bool cut_short = false;  // the input ended inside a member
  std::string error;
};

// Feeds `compressed` in pieces of `in_piece` bytes and inflates into pieces
// of `out_piece` bytes, as a reader does.
Inflated InflateAll(std::string_view compressed, size_t in_piece, size_t out_piece) {
  GzipInflater inflater;
  Inflated result;
  std::string out(out_piece, '\0');
  size_t given = 0;
  try {
    for (;;) {
      const GzipInflater::Step step = inflater.Inflate(out.data(), out.size());
      result.text.append(out, 0, step.written);
      result.members += step.member_end;
      if (step.written > 0 || step.member_end || inflater.input_left() > 0) continue;
      if (given == compressed.size()) break;
      inflater.SetInput(compressed.substr(given, in_piece));
      given += std::min(in_piece, compressed.size() - given);
    }
    result.cut_short = inflater.in_member();
  } catch (const InputError& error) {
    result.error = error.what();
  }
  return result;
}

// A member whose header has every optional field: extra, name, comment and
// its own CRC.
std::string MemberWithFullHeader(std::string_view text) {
  const std::string member = Gzip(text);
  std::string header = member.substr(0, 10);
  header[3] = 0x02 | 0x04 | 0x08 | 0x10;
  header += std::string("\x04\x00", 2) + "abcd" + "page.warc" + '\0' + "a comment" + '\0';
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(header.data()), header.size());
  header += static_cast<char>(crc & 0xFF);
  header += static_cast<char>(crc >> 8 & 0xFF);
  return header + member.substr(10);
}

std::string Flipped(std::string bytes, size_t at) {
  bytes[at] ^= 1;
  return bytes;
}

std::string WithByte(std::string bytes, size_t at, char value) {
  bytes[at] = value;
  return bytes;
}

TEST(GzipInflaterTest, InflatesMemberByMemberAndChecksEach) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "<p>line " + std::to_string(i) + "</p>\n";
  const std::string member = Gzip(text);
  const struct {
    std::string name;
    std::string compressed;
    Inflated expected;
  } cases[] = {
      {"one member", member, {text, 1, false, ""}},
      {"two members", member + Gzip("second"), {text + "second", 2, false, ""}},
      {"an empty member", Gzip(""), {"", 1, false, ""}},
      {"every optional header field", MemberWithFullHeader(text), {text, 1, false, ""}},
      {"bad header CRC",
       Flipped(MemberWithFullHeader(text), 36),
       {"", 0, false, "gzip data error: header crc mismatch"}},
      {"reserved flag",
       WithByte(member, 3, 0x20),
       {"", 0, false, "gzip data error: unknown header flags set"}},
      {"not deflate",
       WithByte(member, 2, 7),
       {"", 0, false, "gzip data error: unknown compression method"}},
      {"bad CRC-32",
       Flipped(member, member.size() - 6),
       {text, 0, false, "gzip data error: incorrect data check"}},
      {"bad length",
       Flipped(member, member.size() - 2),
       {text, 0, false, "gzip data error: incorrect data check"}},
      {"cut short", member.substr(0, member.size() - 3), {text, 0, true, ""}},
      {"garbage after a member",
       member + "WARC/1.0\r\n",
       {text, 1, false, "gzip data error: incorrect header check"}},
      {"not gzip", "WARC/1.0\r\n", {"", 0, false, "gzip data error: incorrect header check"}},
  };
  for (const auto& each : cases) {
    for (const size_t in_piece : {size_t{1}, size_t{7}, size_t{1} << 16}) {
      for (const size_t out_piece : {size_t{1}, size_t{13}, size_t{1} << 16}) {
        SCOPED_TRACE(each.name + ", in " + std::to_string(in_piece) + ", out " +
                     std::to_string(out_piece));
        const Inflated got = InflateAll(each.compressed, in_piece, out_piece);
        EXPECT_EQ(got.text, each.expected.text);
        EXPECT_EQ(got.members, each.expected.members);
        EXPECT_EQ(got.cut_short, each.expected.cut_short);
        EXPECT_EQ(got.error.substr(0, each.expected.error.size()), each.expected.error)
            << got.error;
      }
    }
  }
}

}  // namespace
}  // namespace korvane::cli
