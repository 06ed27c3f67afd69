#include "Interrupt.h"

#include <windows.h>

#include "ChildProcess.h"
#include "TemporaryFiles.h"

namespace vantrel {
namespace {

std::atomic<bool> requested{false};
HANDLE runEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set once the run is over

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI onControl(DWORD event) {
  const bool first = !requested.exchange(true);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    if (first) return TRUE;  // the run stops after the frame in hand
  } else if (WaitForSingleObject(runEnded, 4000) == WAIT_OBJECT_0) {
    // The console is closing (or the session ending), which ends the process about five
    // seconds from now: the run has finished its frames in that time, and the main thread
    // ends the process with the run's own exit code.
    Sleep(INFINITE);
  }
  // A second Ctrl-C, or a run too slow for the closing console: ended at once, as on POSIX.
  // No code of the process runs on the way out, so that no thread that draws can block it.
  endChildren();  // ffmpeg holds its output open, which could not be removed
  removeRegisteredTemporaries();
  TerminateProcess(GetCurrentProcess(), 130);
  return TRUE;
}

}  // namespace

InterruptRequest::InterruptRequest() {
  requested = false;
  ResetEvent(runEnded);
  SetConsoleCtrlHandler(onControl, TRUE);
}

InterruptRequest::~InterruptRequest() {
  SetEvent(runEnded);
  SetConsoleCtrlHandler(onControl, FALSE);
}

const std::atomic<bool>& InterruptRequest::flag() { return requested; }

int InterruptRequest::exitCode() { return 130; }

}  // namespace vantrel
