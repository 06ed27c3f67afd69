#include "Interrupt.h"

#include <csignal>

#include "TemporaryFiles.h"

namespace vantrel {
namespace {

std::atomic<bool> requested{false};
std::atomic<int> firstSignal{0};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];

extern "C" void onSignal(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
  if (!requested.exchange(true)) return;
  // The second one ends the process at once, without leaving temporaries behind.
  removeRegisteredTemporaries();
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

InterruptRequest::InterruptRequest() {
  requested = false;
  firstSignal = 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

InterruptRequest::~InterruptRequest() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous[i], nullptr);
}

const std::atomic<bool>& InterruptRequest::flag() { return requested; }

int InterruptRequest::exitCode() { return 128 + (firstSignal ? firstSignal.load() : SIGINT); }

}  // namespace vantrel
