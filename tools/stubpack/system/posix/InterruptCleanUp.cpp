#include "system/InterruptCleanUp.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

// The partial file a signal handler removes; empty when there is none. A fixed buffer, since
// the handler may use async-signal-safe calls only.
char interruptedPartial[4096];
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePartialAndDie(int signal) {
  if (interruptedPartial[0] != '\0') unlink(interruptedPartial);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= sizeof(interruptedPartial)) return;
  std::memcpy(interruptedPartial, path.c_str(), path.size() + 1);
  for (int signal : kCleanupSignals) {
    // A signal ignored from the start (nohup, a background job) stays ignored.
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemovePartialAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

void ForgetOnInterrupt() {
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  for (int signal : kCleanupSignals) sigaddset(&blocked, signal);
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  interruptedPartial[0] = '\0';
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}
