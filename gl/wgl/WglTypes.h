// The records of the WGL window system.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace Quillon::Vantrel {

// How the effect reaches the GPU here, for the messages that name it.
inline constexpr char kWindowSystemName[] = "WGL";

// A private context of the effect, on a hidden window of its own. The window lives on a
// thread of its own (see HiddenWindow.h), so that any thread can take it down.
struct NativeContext {
  HDC deviceContext = nullptr;
  HGLRC renderContext = nullptr;
  HWND window = nullptr;
  std::string className;  // the window class registered for this context alone
  HANDLE windowThread = nullptr;
  DWORD windowThreadId = 0;
};

// What is current on a thread: both null when nothing is.
struct CurrentBinding {
  HDC deviceContext = nullptr;
  HGLRC renderContext = nullptr;

  bool operator==(const CurrentBinding& other) const {
    return deviceContext == other.deviceContext && renderContext == other.renderContext;
  }
};

}  // namespace Quillon::Vantrel
