// SPDX-License-Identifier: Apache-2.0
// Random texts built from what the engine reacts to, for comparing the fast
// engine with the reference.
#pragma once

#include <random>
#include <string>

namespace korvane::test_support {

class RandomText {
 public:
  explicit RandomText(uint32_t seed) : engine_(seed) {}

  // Up to `max_pieces` pieces: single units, markers, tags and entities.
  std::u16string Fragment(int max_pieces);

  // A page: head, title, h1, body with text runs dense and sparse, images,
  // blocks and entities; long enough for the content locator to work.
  std::u16string Page(int max_pieces);

  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(engine_); }

 private:
  std::u16string Piece();
  std::u16string DenseText();

  std::mt19937 engine_;
};

}  // namespace korvane::test_support
