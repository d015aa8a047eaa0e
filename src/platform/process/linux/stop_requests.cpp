// Stop requests held back by blocking their signals: the system keeps a blocked signal
// pending and delivers it the moment it is unblocked, to the console's handler (terminal back,
// then the signal's own action) or, with no terminal at all, straight to the default action.
// The program runs on one thread, so the calling thread's mask is the process's.
#include "platform/process/stop_requests.h"

#include <signal.h>

namespace {

int HoldDepth = 0;
sigset_t MaskBeforeHold;  // the calling thread's mask when the outermost hold began

// The signals by which an operator, a terminal or a service manager asks the program to end.
constexpr int StopSignalNumbers[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

// The stop signals as a set.
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signalNumber : StopSignalNumbers) sigaddset(&signals, signalNumber);
  return signals;
}

}  // namespace

// Blocks the stop signals at the outermost hold.
void HoldStopRequests() {
  if (HoldDepth++ > 0) return;
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, &MaskBeforeHold);
}

// Unblocks the stop signals that were not blocked before the hold; one pending is delivered
// before this returns.
void ReleaseStopRequests() {
  if (HoldDepth == 0 || --HoldDepth > 0) return;
  sigset_t signals = StopSignals();
  for (const int signalNumber : StopSignalNumbers)
    if (sigismember(&MaskBeforeHold, signalNumber) == 1) sigdelset(&signals, signalNumber);
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}
