// Produces items on worker threads and consumes them on the calling thread in index order, so
// that what is written does not depend on how many workers there are or which finishes first.
// At most `workers` items are in flight, from the start of their production to the end of
// their consumption: results that finish ahead of the one being waited for are held, and they
// count against that bound, so the memory in use is at most `workers` items' worth.
// The first exception thrown by produce or consume stops the run: no item is started after
// it, the stop flag tells producers under way to give up, every worker is joined, and the
// exception is rethrown on the calling thread. With one worker everything runs on the caller.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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

template <typename Result, typename Produce, typename Consume>
void RunInOrder(size_t count, unsigned workers, Produce produce, Consume consume) {
  std::atomic<bool> stop{false};
  if (workers <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      Result result = produce(i, stop);
      consume(i, result);
    }
    return;
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<Result>> finished(count);
  size_t started = 0;   // items handed to a worker
  size_t consumed = 0;  // items consumed, in order
  std::exception_ptr failure;
  // Under the mutex: keeps the first failure and stops everything.
  auto fail = [&](std::exception_ptr error) {
    if (!failure) failure = error;
    stop = true;
    changed.notify_all();
  };
  auto work = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stop || started == count || started < consumed + workers; });
      if (stop || started == count) return;
      const size_t index = started++;
      lock.unlock();
      std::optional<Result> result;
      const std::exception_ptr error = ErrorOf([&] { result.emplace(produce(index, stop)); });
      lock.lock();
      if (error) {
        fail(error);
        return;
      }
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
  for (unsigned w = 0; w < workers; ++w) crew.threads.emplace_back(work);

  std::unique_lock<std::mutex> lock(mutex);
  while (consumed < count) {
    changed.wait(lock, [&] { return stop || finished[consumed].has_value(); });
    if (stop) break;
    Result result = std::move(*finished[consumed]);
    finished[consumed].reset();
    lock.unlock();
    const std::exception_ptr error = ErrorOf([&] { consume(consumed, result); });
    lock.lock();
    if (error) {
      fail(error);
      break;
    }
    ++consumed;
    changed.notify_all();
  }
  lock.unlock();
  for (std::thread& thread : crew.threads) thread.join();
  crew.threads.clear();
  if (failure) std::rethrow_exception(failure);
}
