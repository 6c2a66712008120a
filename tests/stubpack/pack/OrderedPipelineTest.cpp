// Items produced on several threads are consumed in order, within the in-flight bound, and the
// first failure stops the run.
#include "pack/OrderedPipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

namespace {

TEST(OrderedPipeline, ConsumesInOrderWithinTheInFlightBound) {
  for (unsigned workers : {1u, 2u, 3u, 8u}) {
    constexpr size_t kCount = 12;
    std::mutex mutex;
    unsigned inFlight = 0, mostInFlight = 0;
    std::vector<size_t> order;
    RunInOrder<size_t>(
        kCount, workers,
        [&](size_t i, const std::atomic<bool>&) {
          {
            const std::lock_guard<std::mutex> lock(mutex);
            mostInFlight = std::max(mostInFlight, ++inFlight);
          }
          // Early items take longest, so later ones finish ahead of the consumer.
          std::this_thread::sleep_for(std::chrono::milliseconds(2 * (kCount - i)));
          return i * 10;
        },
        [&](size_t i, size_t& result) {
          EXPECT_EQ(result, i * 10);
          order.push_back(i);
          const std::lock_guard<std::mutex> lock(mutex);
          --inFlight;
        });
    std::vector<size_t> expected(kCount);
    for (size_t i = 0; i < kCount; ++i) expected[i] = i;
    EXPECT_EQ(order, expected) << workers << " workers";
    EXPECT_LE(mostInFlight, workers);
    if (workers > 1) {
      EXPECT_GT(mostInFlight, 1u) << "items should overlap";
    }
  }
}

TEST(OrderedPipeline, FirstFailureStopsTheRunAndIsRethrown) {
  struct Case {
    const char* name;
    bool failInConsume;
  };
  for (const Case& c : {Case{"produce", false}, Case{"consume", true}}) {
    std::atomic<size_t> startedAfterFailure{0};
    std::atomic<bool> failed{false};
    std::vector<size_t> consumed;
    const auto began = std::chrono::steady_clock::now();
    try {
      RunInOrder<size_t>(
          40, 2,
          [&](size_t i, const std::atomic<bool>& stop) {
            if (failed) ++startedAfterFailure;
            if (!c.failInConsume && i == 3) {
              failed = true;
              throw std::runtime_error("item 3");
            }
            // Items after the failing one are long; they give up once the run is stopped.
            for (int wait = 0; i > 3 && wait < 5000 && !stop; ++wait)
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return i;
          },
          [&](size_t i, size_t&) {
            if (c.failInConsume && i == 3) {
              failed = true;
              throw std::runtime_error("item 3");
            }
            consumed.push_back(i);
          });
      ADD_FAILURE() << c.name << ": no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "item 3") << c.name;
    }
    const std::vector<size_t> beforeFailure = {0, 1, 2};
    if (c.failInConsume) {
      EXPECT_EQ(consumed, beforeFailure);
    }
    EXPECT_TRUE(std::equal(consumed.begin(), consumed.end(), beforeFailure.begin()) &&
                consumed.size() <= 3) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2)) << c.name;
    // At most the items already handed out when it failed: none is started after.
    EXPECT_LE(startedAfterFailure.load(), 1u) << c.name;
  }
}

}  // namespace
