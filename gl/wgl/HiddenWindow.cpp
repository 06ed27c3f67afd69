#include "HiddenWindow.h"

namespace Quillon::Vantrel::HiddenWindow {
namespace {

// Posted to a window's thread to have it take the window down.
constexpr UINT kCloseMessage = WM_APP + 0x56;
// How often, and how far apart in milliseconds, `close` posts its request while the post
// fails and the thread still runs.
constexpr int kPostAttempts = 100;
constexpr DWORD kPostRetryWait = 10;

struct Start {
  NativeContext* context;
  HANDLE ready;
};

// Makes the class and window, reports them through `start`, then serves the window until
// asked to close it or until WM_QUIT; either way destroys the window and unregisters the
// class. Returns the thread's exit code.
DWORD serveWindow(const Start& start) {
  NativeContext& context = *start.context;
  // The thread's own copy: `context` belongs to the caller once `ready` is set.
  const std::string className = context.className;
  const HINSTANCE instance = GetModuleHandleA(nullptr);

  // The thread's message queue, made before anyone may post to it.
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // A device context of the window's own, so that the context's thread can use it.
  windowClass.style = CS_OWNDC | CS_VREDRAW | CS_HREDRAW;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassExA(&windowClass) != 0) {
    context.window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, className.c_str(), "OpenGL-using FBOs in AE",
                                     0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    if (!context.window) UnregisterClassA(className.c_str(), instance);
  }
  const HWND window = context.window;
  SetEvent(start.ready);
  if (!window) return 1;

  // Ends on the request, on WM_QUIT (0) and on an error (-1).
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kCloseMessage) break;
    DispatchMessageA(&message);
  }
  DestroyWindow(window);
  UnregisterClassA(className.c_str(), instance);
  return 0;
}

// The thread holds a reference to its module while it runs: a host may unload the module
// without global setdown, and the thread must not be left running code that is gone. The
// reference goes as the thread ends; when it was the last, the module goes with it.
DWORD WINAPI windowThread(void* parameter) {
  const Start& start = *static_cast<Start*>(parameter);
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<const char*>(&windowThread),
                          &module)) {
    SetEvent(start.ready);  // no window: `open` fails
    return 1;
  }
  FreeLibraryAndExitThread(module, serveWindow(start));
}

}  // namespace

bool open(NativeContext& context) {
  Start start{&context, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  if (!start.ready) return false;
  DWORD id = 0;
  const HANDLE thread = CreateThread(nullptr, 0, windowThread, &start, 0, &id);
  if (thread) WaitForSingleObject(start.ready, INFINITE);
  CloseHandle(start.ready);
  if (!thread) return false;
  if (!context.window) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return false;
  }
  context.windowThread = thread;
  context.windowThreadId = id;
  return true;
}

void close(NativeContext& context) {
  if (!context.windowThread) return;
  // The post fails when the thread has ended already (WM_QUIT ended it) and may fail for a
  // while when its queue is full. The thread is waited for only once the request is in
  // its queue, and the requests stop after a bounded time: then the window is left to its
  // thread, which still holds the module, rather than the caller kept waiting.
  for (int attempt = 0; attempt < kPostAttempts; ++attempt) {
    if (PostThreadMessageA(context.windowThreadId, kCloseMessage, 0, 0)) {
      WaitForSingleObject(context.windowThread, INFINITE);
      break;
    }
    if (WaitForSingleObject(context.windowThread, kPostRetryWait) == WAIT_OBJECT_0) break;
  }
  CloseHandle(context.windowThread);
  context.windowThread = nullptr;
  context.windowThreadId = 0;
  context.window = nullptr;
}

}  // namespace Quillon::Vantrel::HiddenWindow
