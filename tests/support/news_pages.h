// SPDX-License-Identifier: Apache-2.0
// News pages generated for benchmarks and fuzz seeds: a head with styles and
// scripts, navigation, an article of CJK paragraphs with images, side lists,
// a footer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace korvane::test_support {

// A page of about `units` code units (never fewer).
std::u16string NewsPage(size_t units, uint32_t seed);

// A page of a batch, in UTF-8 with a meta naming `charset` (the caller
// encodes it): 20 to 80 paragraphs of common characters, drawn from `random`.
std::string BatchNewsPage(std::mt19937& random, int number, const char* charset);

// A page of about `bytes` bytes of UTF-8, one paragraph over and over, with a
// meta naming `charset` (the caller encodes it).
std::string LongNewsPage(size_t bytes, std::string_view charset);

}  // namespace korvane::test_support
