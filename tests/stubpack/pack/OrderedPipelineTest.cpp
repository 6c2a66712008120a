// Items produced on several threads are consumed in order, within the production and memory
// bounds, side jobs run on idle workers, and the first failure stops the run.
#include "pack/OrderedPipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

namespace {

using namespace std::chrono_literals;

// Each item holds 100 bytes while produced and 100 once finished.
constexpr uint64_t kItem = 100;
uint64_t Held(const size_t&) { return kItem; }

InFlightLimits Limits(unsigned workers, uint64_t memory) { return {workers, kItem, memory}; }

TEST(OrderedPipeline, ConsumesInOrderWithinTheProductionBound) {
  for (unsigned workers : {1u, 2u, 3u, 8u}) {
    constexpr size_t kCount = 12;
    std::mutex mutex;
    unsigned producing = 0, mostProducing = 0;
    std::vector<size_t> order;
    RunInOrder<size_t>(
        kCount, Limits(workers, 1000 * kItem),
        [&](size_t i, const std::atomic<bool>&, SideJobQueue&) {
          {
            const std::lock_guard<std::mutex> lock(mutex);
            mostProducing = std::max(mostProducing, ++producing);
          }
          // Early items take longest, so later ones finish ahead of the consumer.
          std::this_thread::sleep_for(std::chrono::milliseconds(2 * (kCount - i)));
          const std::lock_guard<std::mutex> lock(mutex);
          --producing;
          return i * 10;
        },
        [&](size_t i, size_t& result) {
          EXPECT_EQ(result, i * 10);
          order.push_back(i);
        },
        Held);
    std::vector<size_t> expected(kCount);
    for (size_t i = 0; i < kCount; ++i) expected[i] = i;
    EXPECT_EQ(order, expected) << workers << " workers";
    EXPECT_LE(mostProducing, workers);
    if (workers > 1) {
      EXPECT_GT(mostProducing, 1u) << "items should overlap";
    }
  }
}

// A slow first item: the other worker goes on with later items while their results fit the
// memory left beyond the items in production, and no further.
TEST(OrderedPipeline, FinishedItemsWaitWithinTheMemoryLimit) {
  struct Case {
    uint64_t memory;
    size_t finishedAhead;  // items finished while item 0 is produced
  };
  for (const Case& c : {Case{2 * kItem, 1}, Case{5 * kItem, 4}, Case{4 * kItem + 50, 3}}) {
    std::mutex mutex;
    unsigned producing = 0, waiting = 0;
    uint64_t mostHeld = 0;
    size_t finishedAhead = 0;
    auto note = [&](int producingChange, int waitingChange) {
      const std::lock_guard<std::mutex> lock(mutex);
      producing += producingChange;
      waiting += waitingChange;
      mostHeld = std::max(mostHeld, (producing + waiting) * kItem);
    };
    RunInOrder<size_t>(
        20, Limits(2, c.memory),
        [&](size_t i, const std::atomic<bool>&, SideJobQueue&) {
          note(1, 0);
          if (i == 0) {
            std::this_thread::sleep_for(300ms);
            const std::lock_guard<std::mutex> lock(mutex);
            finishedAhead = waiting;
          }
          note(-1, 1);
          return i;
        },
        [&](size_t, size_t&) { note(0, -1); }, Held);
    EXPECT_EQ(finishedAhead, c.finishedAhead) << c.memory;
    EXPECT_LE(mostHeld, c.memory) << c.memory;
  }
}

// A side job posted while every item is started runs on the idle worker before its producer
// waits for it; with one worker, the producer runs it when it waits. A job's failure is the
// item's.
TEST(OrderedPipeline, SideJobsRunOnAnIdleWorkerOrWhenWaitedFor) {
  for (unsigned workers : {1u, 2u}) {
    std::atomic<bool> ranBeforeWait{false};
    std::thread::id ranOn;
    try {
      RunInOrder<size_t>(
          workers, Limits(workers, 1000 * kItem),
          [&](size_t i, const std::atomic<bool>&, SideJobQueue& queue) {
            if (i + 1 < workers) return i;  // done at once, leaving its worker idle
            std::this_thread::sleep_for(50ms);  // the other worker is idle by now
            std::atomic<bool> done{false};
            SideJobs jobs(queue);
            jobs.Post([&] {
              ranOn = std::this_thread::get_id();
              done = true;
              throw std::runtime_error("side job");
            });
            for (int wait = 0; wait < 300 && !done; ++wait) std::this_thread::sleep_for(1ms);
            ranBeforeWait = done.load();
            jobs.Wait();
            return i;
          },
          [](size_t, size_t&) {}, Held);
      ADD_FAILURE() << workers << ": no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "side job") << workers;
    }
    EXPECT_EQ(ranBeforeWait, workers > 1) << workers;
    if (workers == 1) {
      EXPECT_EQ(ranOn, std::this_thread::get_id());
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
          40, Limits(2, 2 * kItem),
          [&](size_t i, const std::atomic<bool>& stop, SideJobQueue&) {
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
          },
          Held);
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
