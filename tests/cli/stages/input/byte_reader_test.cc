// SPDX-License-Identifier: Apache-2.0
#include "input/byte_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "chunked_reader.h"
#include "encode.h"
#include "temp_dir.h"

namespace korvane::cli {
namespace {

using test_support::ChunkedReader;
using test_support::Gzip;
using test_support::TempDir;

TEST(ReadAtMost, RefusesMoreThanTheLimitWithoutReadingOn) {
  struct Case {
    size_t size;
    uint64_t limit;
    bool refused;
  };
  const Case cases[] = {{0, 1, false}, {10, 10, false}, {11, 10, true}, {300000, 65536, true}};
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.size) + " bytes, limit " + std::to_string(test.limit));
    ChunkedReader reader(std::string(test.size, 'x'), 7777);
    if (test.refused) {
      EXPECT_THROW(ReadAtMost(reader, test.limit), TooLarge);
      EXPECT_LE(reader.consumed(), test.limit + 1);
    } else {
      EXPECT_EQ(ReadAtMost(reader, test.limit).size(), test.size);
    }
  }
  EXPECT_STREQ(TooLarge(64 << 20).what(), "larger than 64 MiB (--max-page-size)");
  EXPECT_EQ(SizeText(uint64_t{1} << 30), "1 GiB");
  EXPECT_EQ(SizeText(1536), "1536 bytes");
}

TEST(FileReader, RefusesHugeFilesUnreadAndSpecialFilesFoundByAWalk) {
  TempDir dir;
  const std::string sparse = dir.Write("big.html", "");
  std::filesystem::resize_file(sparse, uint64_t{100} << 30);
  const std::unique_ptr<FileReader> big = FileReader::Open(sparse);
  EXPECT_THROW(big->ReadAtMost(64 << 20), TooLarge);
  EXPECT_EQ(big->consumed(), 0u);

  const std::string fifo = (dir.path() / "pipe.html").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  try {
    FileReader::Open(fifo, FileReader::Kinds::kRegularOnly);  // no writer: must not wait
    ADD_FAILURE() << "a FIFO was opened";
  } catch (const InputError& error) {
    EXPECT_STREQ(error.what(), "not a regular file (a FIFO), not read");
  }
  EXPECT_THROW(FileReader::Open("/dev/zero", FileReader::Kinds::kRegularOnly), InputError);
  // Named by the user, a device is read as a stream, up to the limit.
  EXPECT_THROW(FileReader::Open("/dev/zero")->ReadAtMost(1 << 20), TooLarge);
}

// What a reader hands out before its error, the error, and whether what was
// handed out had been checked when it came.
struct Outcome {
  std::string data;
  std::string error;
  bool verified_at_error = false;
};

Outcome ReadThrough(ByteReader& reader) {
  Outcome outcome;
  char buffer[3000];
  try {
    while (const size_t got = reader.Read(buffer, sizeof buffer)) outcome.data.append(buffer, got);
  } catch (const InputError& error) {
    outcome.error = error.what();
    outcome.verified_at_error = reader.Verified();
  }
  return outcome;
}

TEST(GzipReader, ChargesAnErrorToWhatFollowsACheckedMember) {
  std::string bad_crc = Gzip("cd");
  bad_crc[bad_crc.size() - 6] ^= 0x55;
  const std::string cut = Gzip("abcdef");
  struct Case {
    std::string name;
    std::string bytes;
    std::string data;   // all of it, or a prefix of it before the error
    std::string error;  // part of the message; empty: none
    bool verified_at_error;
  };
  const Case cases[] = {
      {"members, then NUL padding", Gzip("ab") + Gzip("cd") + std::string(512, '\0'), "abcd", "",
       false},
      {"garbage after a member", Gzip("ab") + "garbage!" + Gzip("cd"), "ab",
       "bytes after a complete gzip member are not gzip data", true},
      {"a bad CRC-32", Gzip("ab") + bad_crc, "abcd", "incorrect data check", false},
      {"a member cut short", Gzip("ab") + cut.substr(0, cut.size() - 3), "ababcdef", "cut short",
       false},
  };
  for (const Case& test : cases) {
    for (const size_t chunk : {1, 5, 1 << 20}) {
      SCOPED_TRACE(test.name + ", chunks of " + std::to_string(chunk));
      GzipReader reader(std::make_unique<ChunkedReader>(test.bytes, chunk));
      const Outcome outcome = ReadThrough(reader);
      EXPECT_TRUE(test.data.starts_with(outcome.data)) << outcome.data;
      if (test.error.empty()) {
        EXPECT_EQ(outcome.data, test.data);
        EXPECT_EQ(outcome.error, "");
        continue;
      }
      EXPECT_NE(outcome.error.find(test.error), std::string::npos) << outcome.error;
      EXPECT_EQ(outcome.verified_at_error, test.verified_at_error);
      if (test.verified_at_error) {
        EXPECT_EQ(outcome.data, test.data);
      }
    }
  }
}

TEST(GzipReader, InflatesNoFurtherThanTheLimitAsks) {
  const std::string bomb = Gzip(std::string(64 << 20, 'a'));  // about 64 KB
  GzipReader reader(std::make_unique<ChunkedReader>(bomb, 4096));
  EXPECT_THROW(ReadAtMost(reader, 1 << 20), TooLarge);
  EXPECT_LT(reader.consumed(), bomb.size() / 8);
}

TEST(ParseSize, TakesBytesOrKMG) {
  const std::pair<std::string, std::optional<uint64_t>> cases[] = {
      {"65536", 65536},       {"512K", 512 << 10},
      {"64m", 64 << 20},      {"1G", uint64_t{1} << 30},
      {"0", std::nullopt},    {"", std::nullopt},
      {"1.5M", std::nullopt}, {"64MB", std::nullopt},
      {"-1", std::nullopt},   {"99999999999999999999", std::nullopt},
  };
  for (const auto& [text, size] : cases) EXPECT_EQ(ParseSize(text), size) << text;
}

}  // namespace
}  // namespace korvane::cli
