// SIGINT, SIGHUP and SIGTERM as console control events. The signal handler only notes the
// signal (and passes it on to a running child); the control routine runs later, at a call into
// this layer, where the program's state is whole and it may clean up as it would on failure.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/PosixInternal.h"

namespace posix_layer {
namespace {

volatile sig_atomic_t pendingSignal = 0;
volatile sig_atomic_t runningChild = 0;
PHANDLER_ROUTINE controlRoutine = nullptr;
bool delivering = false;

void NoteSignal(int signal) {
  pendingSignal = signal;
  if (runningChild > 0) kill(pid_t(runningChild), signal);
}

DWORD EventOf(int signal) {
  if (signal == SIGINT) return CTRL_C_EVENT;
  if (signal == SIGHUP) return CTRL_CLOSE_EVENT;
  return CTRL_SHUTDOWN_EVENT;
}

}  // namespace

void DeliverPendingSignal() {
  if (!pendingSignal || runningChild > 0 || delivering || !controlRoutine) return;
  delivering = true;
  const int signal = pendingSignal;
  if (!controlRoutine(EventOf(signal))) {
    std::fflush(nullptr);
    _exit(128 + signal);
  }
  pendingSignal = 0;
  delivering = false;
}

void NoteChildStarted(pid_t child) {
  runningChild = child;
  if (pendingSignal) kill(child, pendingSignal);  // came while the child was being started
}

void NoteChildEnded(pid_t child) {
  if (runningChild == child) runningChild = 0;
}

}  // namespace posix_layer

using namespace posix_layer;

BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add) {
  if (!routine) return Fail(ERROR_INVALID_PARAMETER);
  if (!add) {
    if (controlRoutine == routine) controlRoutine = nullptr;
    return TRUE;
  }
  controlRoutine = routine;
  struct sigaction action = {};
  action.sa_handler = NoteSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGHUP, SIGTERM}) sigaction(signal, &action, nullptr);
  return TRUE;
}
