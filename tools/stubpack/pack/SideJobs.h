// Small pieces of one item's work that its producer hands to the workers of an ordered
// pipeline, so that a worker with nothing else to do runs them while the producer goes on with
// the large piece: the last folder of a pack then ends sooner. A SideJobs group waits for its
// jobs before it goes, running itself those of its own that no worker has taken (not others':
// its producer's worker has better to do, the next item); with no worker to take them (one
// thread) it runs them all, so the results never depend on who ran what.
#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <list>
#include <mutex>

class SideJobs;

// The jobs posted and not yet taken, shared by a pipeline's workers; guarded by the
// pipeline's mutex, and `changed` is notified whenever a job is posted or done.
struct SideJobQueue {
  struct Job {
    std::function<void()> run;
    SideJobs* group;
    std::exception_ptr error;
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Job*> queued;

  // Under the lock: takes the oldest job (of group, when given), or returns null.
  Job* Take(const SideJobs* group = nullptr);
  // Under the lock: runs a taken job unlocked, and marks it done.
  void Run(Job* job, std::unique_lock<std::mutex>& lock);
};

class SideJobs {
 public:
  explicit SideJobs(SideJobQueue& queue) : queue_(queue) {}
  SideJobs(const SideJobs&) = delete;
  SideJobs& operator=(const SideJobs&) = delete;
  // Never leaves a job running on data its poster is about to release.
  ~SideJobs() { WaitAll(); }

  void Post(std::function<void()> job) {
    const std::lock_guard<std::mutex> lock(queue_.mutex);
    jobs_.push_back({std::move(job), this, nullptr});
    queue_.queued.push_back(&jobs_.back());
    ++pending_;
    queue_.changed.notify_all();
  }
  // Returns once every posted job has run, helping with queued ones meanwhile; rethrows the
  // first failure of a job.
  void Wait() {
    WaitAll();
    for (const SideJobQueue::Job& job : jobs_)
      if (job.error) std::rethrow_exception(job.error);
  }

 private:
  friend struct SideJobQueue;
  void WaitAll() {
    std::unique_lock<std::mutex> lock(queue_.mutex);
    while (pending_ > 0) {
      if (SideJobQueue::Job* job = queue_.Take(this)) {
        queue_.Run(job, lock);
      } else {
        queue_.changed.wait(lock);
      }
    }
  }

  SideJobQueue& queue_;
  std::list<SideJobQueue::Job> jobs_;  // stable addresses for the queue
  size_t pending_ = 0;
};

inline SideJobQueue::Job* SideJobQueue::Take(const SideJobs* group) {
  for (auto it = queued.begin(); it != queued.end(); ++it) {
    if (group && (*it)->group != group) continue;
    Job* job = *it;
    queued.erase(it);
    return job;
  }
  return nullptr;
}

inline void SideJobQueue::Run(Job* job, std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  try {
    job->run();
  } catch (...) {
    job->error = std::current_exception();
  }
  lock.lock();
  --job->group->pending_;
  changed.notify_all();
}
