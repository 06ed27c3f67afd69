// The hidden window under each of the effect's WGL contexts. A window can only be
// destroyed by the thread that made it, and contexts are made on host render threads but
// released at global setdown on whichever thread sends it. So each window gets a thread
// of its own, which registers the window's class, makes the window, serves its messages,
// and on request destroys it and unregisters the class, on any thread's behalf.
#pragma once

#include "WglTypes.h"

namespace Quillon::Vantrel::HiddenWindow {

// Registers `context.className` and makes an 8x8 window of it on a new thread; fills in
// `window`, `windowThread` and `windowThreadId`. False, with nothing left behind, when
// either step fails. The thread holds a reference to the module until it ends, so that
// unloading the module without `close` leaves it running code that is still there.
bool open(NativeContext& context);
// Destroys the window and unregisters its class on the window's thread, and waits for
// that thread to end. Never waits for ever: when the thread cannot be reached for a while,
// the window is left to it. The thread also ends, taking the window and class down, on
// WM_QUIT.
void close(NativeContext& context);

}  // namespace Quillon::Vantrel::HiddenWindow
