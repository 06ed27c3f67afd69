#pragma once

#include <atomic>

namespace vantrel {

// Ctrl-C (SIGINT), SIGTERM and SIGHUP ask the run to stop after the frame in hand
// instead of killing the process mid-write. A second signal removes the temporary files
// and ends the process as the signal does. On Windows, Ctrl-C and Ctrl-Break do the same
// (the second ends the process with exit code 130), and closing the console asks the run
// to stop and lets it finish in the seconds the system allows.
class InterruptRequest {
 public:
  InterruptRequest();   // installs the handlers
  ~InterruptRequest();  // restores the previous ones
  InterruptRequest(const InterruptRequest&) = delete;
  InterruptRequest& operator=(const InterruptRequest&) = delete;

  static const std::atomic<bool>& flag();
  // The exit code of a run that was asked to stop, as a shell gives one a signal ended:
  // 128 and the first signal's number (130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP).
  static int exitCode();
};

}  // namespace vantrel
