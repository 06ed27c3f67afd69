// A module with one of the effect's hidden windows and nothing else, for a test that unloads
// it while the window lives, as a host that skips global setdown unloads the effect.
#include "HiddenWindow.h"

// Opens a hidden window of class `className` and leaves it to its thread; the thread's id,
// or 0 when the window could not be made.
extern "C" __declspec(dllexport) DWORD openHiddenWindow(const char* className) {
  Quillon::Vantrel::NativeContext context;
  context.className = className;
  if (!Quillon::Vantrel::HiddenWindow::open(context)) return 0;
  CloseHandle(context.windowThread);
  return context.windowThreadId;
}
