// SPDX-License-Identifier: Apache-2.0
#include "convert/ordered_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace korvane::cli {
namespace {

TEST(RunInOrder, EmitsInInputOrderWithABoundedWindow) {
  for (const unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    const size_t window = 3 * jobs;
    int next = 0;
    std::atomic<int> in_flight = 0;
    std::atomic<int> most_in_flight = 0;
    std::atomic<int> emitting = 0;  // emit is called one call at a time
    std::atomic<int> most_emitting = 0;
    std::vector<int> emitted;
    RunInOrder<int, int>(
        {jobs, window},
        [&]() -> std::optional<int> {
          if (next == 200) return std::nullopt;
          most_in_flight = std::max(most_in_flight.load(), ++in_flight);
          return next++;
        },
        [](int&& item) {
          // Later items finish first now and then.
          std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 300));
          return item;
        },
        [&](int&& item) {
          most_emitting = std::max(most_emitting.load(), ++emitting);
          std::this_thread::sleep_for(std::chrono::microseconds(item % 3 * 50));
          emitted.push_back(item);
          --in_flight;
          --emitting;
        });
    ASSERT_EQ(emitted.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(emitted[i], i);
    EXPECT_LE(most_in_flight.load(), static_cast<int>(window));
    EXPECT_EQ(most_emitting.load(), 1);
  }
}

TEST(RunInOrder, PassesOnAFailureOfTheInputAfterWhatCameBefore) {
  int next = 0;
  std::vector<int> emitted;
  EXPECT_THROW((RunInOrder<int, int>(
                   {2, 4},
                   [&]() -> std::optional<int> {
                     if (next == 5) throw std::runtime_error("read failed");
                     return next++;
                   },
                   [](int&& item) { return item; }, [&](int&& item) { emitted.push_back(item); })),
               std::runtime_error);
  EXPECT_EQ(emitted, (std::vector<int>{0, 1, 2, 3, 4}));
}

// Items near the size limit must not pile up: what is read ahead stops at a
// weight, but one item always passes.
TEST(RunInOrder, ReadsAheadNoMoreThanTheWeightAllows) {
  const struct {
    uint64_t item_weight;
    uint64_t budget;
    int most;
  } cases[] = {{10, 100, 8}, {40, 100, 3}, {150, 100, 1}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.item_weight);
    int next = 0;
    std::atomic<int> in_flight = 0;
    std::atomic<int> most_in_flight = 0;
    RunInOrder<int, int>(
        {2, 8, test.budget},
        [&]() -> std::optional<int> {
          if (next == 50) return std::nullopt;
          most_in_flight = std::max(most_in_flight.load(), ++in_flight);
          return next++;
        },
        [](int&& item) { return item; }, [&](int&&) { --in_flight; },
        [&](const int&) { return test.item_weight; });
    EXPECT_LE(most_in_flight.load(), test.most);
  }
}

}  // namespace
}  // namespace korvane::cli
