#include "Interrupt.h"

#include <windows.h>

#include "TemporaryFiles.h"

// A run is not stopped between frames here: Ctrl-C and Ctrl-Break end the process at
// once, as the console's default handler does, after the temporary files are removed,
// so that nothing half-written is left. The flag stays false.

namespace vantrel {
namespace {

std::atomic<bool> requested{false};

BOOL WINAPI onControl(DWORD) {
  removeRegisteredTemporaries();
  return FALSE;  // on to the default handler, which ends the process
}

}  // namespace

InterruptRequest::InterruptRequest() { SetConsoleCtrlHandler(onControl, TRUE); }

InterruptRequest::~InterruptRequest() { SetConsoleCtrlHandler(onControl, FALSE); }

const std::atomic<bool>& InterruptRequest::flag() { return requested; }

}  // namespace vantrel
