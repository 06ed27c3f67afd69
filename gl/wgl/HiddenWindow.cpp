#include "HiddenWindow.h"

namespace Quillon::Vantrel::HiddenWindow {
namespace {

// Posted to a window's thread to have it take the window down.
constexpr UINT kCloseMessage = WM_APP + 0x56;

struct Start {
  NativeContext* context;
  HANDLE ready;
};

DWORD WINAPI windowThread(void* parameter) {
  const Start start = *static_cast<Start*>(parameter);
  NativeContext& context = *start.context;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // A device context of the window's own, so that the context's thread can use it.
  windowClass.style = CS_OWNDC | CS_VREDRAW | CS_HREDRAW;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = context.className.c_str();
  if (RegisterClassExA(&windowClass) != 0) {
    context.window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, context.className.c_str(),
                                     "OpenGL-using FBOs in AE", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                                     nullptr);
    if (!context.window) UnregisterClassA(context.className.c_str(), nullptr);
  }
  const HWND window = context.window;
  SetEvent(start.ready);  // `context` belongs to the caller from here on
  if (!window) return 1;

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kCloseMessage) break;
    DispatchMessageA(&message);
  }
  DestroyWindow(window);
  UnregisterClassA(reinterpret_cast<const char*>(message.lParam), nullptr);
  return 0;
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
  // The class name travels with the request: the thread keeps no pointer into `context`.
  PostThreadMessageA(context.windowThreadId, kCloseMessage, 0, reinterpret_cast<LPARAM>(context.className.c_str()));
  WaitForSingleObject(context.windowThread, INFINITE);
  CloseHandle(context.windowThread);
  context.windowThread = nullptr;
  context.windowThreadId = 0;
  context.window = nullptr;
}

}  // namespace Quillon::Vantrel::HiddenWindow
