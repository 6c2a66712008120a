// Produces items on worker threads and consumes them on the calling thread in index order, so
// that what is written does not depend on how many workers there are or which finishes first.
// Items start in index order, at most `workers` in production at once. A finished item that
// waits for an earlier one to be consumed holds what held(result) says; a new item starts only
// while everything held fits the memory limit, counting each item in production at itemMemory.
// So the earliest unconsumed item is always started, and a worker that finishes early goes on
// with the next item instead of waiting for the consumer. A worker that may not start an item
// runs the side jobs producers post (SideJobs).
// The first exception thrown by produce or consume stops the run: no item is started after
// it, the stop flag tells producers under way to give up, every worker is joined, and the
// exception is rethrown on the calling thread. With one worker everything runs on the caller.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "pack/SideJobs.h"

struct InFlightLimits {
  unsigned workers = 1;     // items in production at once
  uint64_t itemMemory = 0;  // what an item may hold while it is produced
  uint64_t memory = 0;      // what items in production and finished ones may hold together
};

// Runs f; returns what it threw, or null.
template <typename Function>
std::exception_ptr ErrorOf(Function&& f) {
  try {
    f();
    return nullptr;
  } catch (...) {
    return std::current_exception();
  }
}

// produce(index, stop, sideJobQueue) -> Result; consume(index, Result&);
// held(const Result&) -> bytes.
template <typename Result, typename Produce, typename Consume, typename Held>
void RunInOrder(size_t count, const InFlightLimits& limits, Produce produce, Consume consume,
                Held held) {
  std::atomic<bool> stop{false};
  SideJobQueue jobs;
  if (limits.workers <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      Result result = produce(i, stop, jobs);
      consume(i, result);
    }
    return;
  }
  std::mutex& mutex = jobs.mutex;
  std::condition_variable& changed = jobs.changed;
  std::vector<std::optional<Result>> finished(count);
  size_t started = 0;   // items handed to a worker
  size_t consumed = 0;  // items consumed, in order
  unsigned producing = 0;
  uint64_t waitingBytes = 0;  // held by finished items not yet consumed
  std::exception_ptr failure;
  auto mayStart = [&] {
    if (started == count || producing >= limits.workers) return false;
    if (producing == 0 && waitingBytes == 0) return true;  // one always runs
    return (producing + 1) * limits.itemMemory + waitingBytes <= limits.memory;
  };
  // Under the mutex: keeps the first failure and stops everything.
  auto fail = [&](std::exception_ptr error) {
    if (!failure) failure = error;
    stop = true;
    changed.notify_all();
  };
  auto work = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      // Once every item is started and none is in production, no side job can come.
      changed.wait(lock, [&] {
        return stop || !jobs.queued.empty() || mayStart() ||
               (started == count && producing == 0);
      });
      if (stop) return;
      if (!mayStart()) {
        SideJobQueue::Job* job = jobs.Take();
        if (!job) return;
        jobs.Run(job, lock);
        continue;
      }
      const size_t index = started++;
      ++producing;
      lock.unlock();
      std::optional<Result> result;
      const std::exception_ptr error =
          ErrorOf([&] { result.emplace(produce(index, stop, jobs)); });
      lock.lock();
      --producing;
      if (error) {
        fail(error);
        return;
      }
      waitingBytes += held(*result);
      finished[index] = std::move(result);
      changed.notify_all();
    }
  };
  // Joins the workers on every way out, after telling them to stop.
  struct Crew {
    std::vector<std::thread> threads;
    std::mutex& mutex;
    std::condition_variable& changed;
    std::atomic<bool>& stop;
    ~Crew() {
      {
        const std::lock_guard<std::mutex> lock(mutex);
        stop = true;
      }
      changed.notify_all();
      for (std::thread& thread : threads) thread.join();
    }
  } crew{{}, mutex, changed, stop};
  for (unsigned w = 0; w < limits.workers; ++w) crew.threads.emplace_back(work);

  std::unique_lock<std::mutex> lock(mutex);
  while (consumed < count) {
    changed.wait(lock, [&] { return stop || finished[consumed].has_value(); });
    if (stop) break;
    Result result = std::move(*finished[consumed]);
    finished[consumed].reset();
    const uint64_t bytes = held(result);
    lock.unlock();
    const std::exception_ptr error = ErrorOf([&] { consume(consumed, result); });
    lock.lock();
    if (error) {
      fail(error);
      break;
    }
    waitingBytes -= bytes;
    ++consumed;
    changed.notify_all();
  }
  lock.unlock();
  for (std::thread& thread : crew.threads) thread.join();
  crew.threads.clear();
  if (failure) std::rethrow_exception(failure);
}
