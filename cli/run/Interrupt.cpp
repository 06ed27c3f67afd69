#include "Interrupt.h"

#include <csignal>

namespace vantrel {
namespace {

std::atomic<bool> requested{false};
struct sigaction previousInt, previousTerm;

extern "C" void onSignal(int signal) {
  requested = true;
  // The next one ends the process at once.
  ::signal(signal, SIG_DFL);
}

}  // namespace

InterruptRequest::InterruptRequest() {
  requested = false;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

InterruptRequest::~InterruptRequest() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
}

const std::atomic<bool>& InterruptRequest::flag() { return requested; }

}  // namespace vantrel
