#include "options.h"

#include <gtest/gtest.h>

namespace korvane::cli {
namespace {

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
