// SPDX-License-Identifier: Apache-2.0
#include "input/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace korvane::cli {
namespace {

// Gives `bytes` a few at a time, then fails with `error` if there is one.
class Source final : public ByteReader {
 public:
  Source(std::string bytes, std::string error)
      : bytes_(std::move(bytes)), error_(std::move(error)) {}

  size_t Read(char* buffer, size_t size) override {
    const size_t step = std::min({size, bytes_.size() - at_, size_t{5}});
    if (step == 0 && !error_.empty()) throw InputError(error_);
    std::memcpy(buffer, bytes_.data() + at_, step);
    at_ += step;
    return step;
  }
  uint64_t consumed() const override { return at_; }

 private:
  std::string bytes_;
  std::string error_;
  size_t at_ = 0;
};

struct Taken {
  std::string bytes;
  std::string error;
  uint64_t consumed = 0;
};

Taken TakeAll(ReadAhead& reader, size_t piece) {
  Taken taken;
  std::string buffer(piece, '\0');
  try {
    while (const size_t got = reader.Read(buffer.data(), piece)) taken.bytes.append(buffer, 0, got);
    EXPECT_EQ(reader.Read(buffer.data(), piece), 0u) << "the end stays the end";
  } catch (const InputError& error) {
    taken.error = error.what();
  }
  taken.consumed = reader.consumed();
  return taken;
}

TEST(ReadAheadTest, GivesTheSourceBytesAndThenItsError) {
  std::string long_text;
  for (int i = 0; i < 20000; ++i) long_text += std::to_string(i);
  const struct {
    std::string bytes;
    std::string error;
  } cases[] = {{"", ""}, {"abc", ""}, {long_text, ""}, {"", "cut short"}, {long_text, "bad CRC"}};
  for (const auto& each : cases) {
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{100000}}) {
      SCOPED_TRACE(std::to_string(each.bytes.size()) + " bytes, " + each.error + ", pieces of " +
                   std::to_string(piece));
      ReadAhead reader(std::make_unique<Source>(each.bytes, each.error), 64, 3);
      const Taken taken = TakeAll(reader, piece);
      EXPECT_EQ(taken.bytes, each.bytes);
      EXPECT_EQ(taken.error, each.error);
      EXPECT_EQ(taken.consumed, each.bytes.size());
    }
  }
}

TEST(ReadAheadTest, StopsWhenLeftHalfRead) {
  ReadAhead reader(std::make_unique<Source>(std::string(100000, 'x'), ""), 64, 3);
  char byte;
  EXPECT_EQ(reader.Read(&byte, 1), 1u);
}

}  // namespace
}  // namespace korvane::cli
