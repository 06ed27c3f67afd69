// The effect's WGL contexts as Windows sees them: each on a hidden window of a class of its
// own, with the class and window the effect describes, and every class and window gone
// once the context is deleted, whichever thread deletes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "AEOpenGLContext.h"
#include "AESDK_OpenGL_Fault.h"
#include "ContextRestoreGuard.h"
#include "HostThread.h"
#include "ImportRedirect.h"
#include "RenderHost.h"

using Quillon::Vantrel::AEOpenGLContext;

namespace {

std::unique_ptr<AEOpenGLContext> quietContext(const AEOpenGLContext* shareWith) {
  testing::internal::CaptureStdout();
  std::unique_ptr<AEOpenGLContext> context;
  try {
    context = std::make_unique<AEOpenGLContext>(shareWith);
  } catch (const Quillon::Vantrel::AESDK_OpenGL_Fault&) {
  }
  testing::internal::GetCapturedStdout();
  return context;
}

bool classRegistered(const std::string& name) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &info) != 0;
}

TEST(WglContext, ItsWindowAndClassAreItsOwnAndGoWithIt) {
  const Quillon::Vantrel::ContextRestoreGuard guard;
  std::unique_ptr<AEOpenGLContext> context = quietContext(nullptr);
  ASSERT_TRUE(context) << "no OpenGL context under this Wine";
  const auto& native = context->native;

  const std::string address = std::to_string(reinterpret_cast<std::uintptr_t>(context.get()));
  EXPECT_TRUE(std::regex_match(native.className, std::regex("AEOpenGL_Win_Class" + address + "_[0-9]+")))
      << native.className;

  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), native.className.c_str(), &info));
  EXPECT_EQ(info.style, UINT(CS_OWNDC | CS_VREDRAW | CS_HREDRAW));

  char title[64] = {};
  GetWindowTextA(native.window, title, sizeof title);
  EXPECT_STREQ(title, "OpenGL-using FBOs in AE");
  EXPECT_FALSE(IsWindowVisible(native.window));
  EXPECT_EQ(GetWindowLongPtrA(native.window, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE),
            WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);

  EXPECT_EQ(wglGetCurrentContext(), native.renderContext);
  EXPECT_EQ(wglGetCurrentDC(), native.deviceContext);

  const HWND window = native.window;
  const std::string className = native.className;
  context.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(classRegistered(className));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

// The effect's hidden windows in this process, by class name.
std::map<std::string, HWND> effectWindows() {
  std::map<std::string, HWND> windows;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        char title[64] = {}, className[256] = {};
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        GetWindowTextA(window, title, sizeof title);
        if (process == GetCurrentProcessId() && std::string(title) == "OpenGL-using FBOs in AE") {
          GetClassNameA(window, className, sizeof className);
          (*reinterpret_cast<std::map<std::string, HWND>*>(found))[className] = window;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Ends the threads of the effect's windows with WM_QUIT, as any code in the process may,
// and waits for them.
void quitWindowThreads() {
  for (const auto& [name, window] : effectWindows()) {
    const DWORD id = GetWindowThreadProcessId(window, nullptr);
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    EXPECT_TRUE(PostThreadMessageA(id, WM_QUIT, 0, 0)) << name;
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << name;
    CloseHandle(thread);
  }
}

// The module's PostThreadMessageA, by which it asks a window's thread to take its window
// down: refused this many more times (-1: every time).
std::atomic<int> refusedPosts{0};
BOOL(WINAPI* ownPostThreadMessage)(DWORD, UINT, WPARAM, LPARAM) = nullptr;
BOOL WINAPI postThreadMessage(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) {
  if (refusedPosts == 0) return ownPostThreadMessage(thread, message, wParam, lParam);
  if (refusedPosts > 0) --refusedPosts;
  SetLastError(ERROR_NOT_ENOUGH_QUOTA);
  return FALSE;
}

struct Setdown {
  const char* name;
  int refusedPosts;       // of the module's requests to its window threads
  bool threadsQuitFirst;  // WM_QUIT has ended the window threads before setdown
};
void PrintTo(const Setdown& s, std::ostream* os) { *os << s.name; }
class GlobalSetdown : public testing::TestWithParam<Setdown> {};

// Through the host: set up here, frames on two host threads, setdown on a third. Every
// window and class the effect made is gone afterwards, and no thread was kept waiting.
TEST_P(GlobalSetdown, OnAnyThreadReleasesEveryWindowAndClass) {
  const Setdown& s = GetParam();
  std::map<std::string, HWND> windows;
  {
    vantrel_test::RenderHost scene;
    ASSERT_TRUE(scene.ready) << "no OpenGL context under this Wine";
    if (!ownPostThreadMessage) {
      ownPostThreadMessage = reinterpret_cast<decltype(ownPostThreadMessage)>(minihost::redirectImport(
          scene.host.module().library(), "user32.dll", "PostThreadMessageA", reinterpret_cast<void*>(&postThreadMessage)));
    }
    minihost::World input = vantrel_test::testPicture(16, 12), output(16, 12);
    minihost::HostThread first, second, setdown;
    testing::internal::CaptureStdout();
    for (minihost::HostThread* thread : {&first, &second}) {
      EXPECT_EQ(thread->call([&] { return scene.host.render(*scene.instance, input, output); }), PF_Err_NONE);
    }
    testing::internal::GetCapturedStdout();
    windows = effectWindows();
    EXPECT_EQ(windows.size(), 3u) << "the global context's window and one per render thread";
    if (s.threadsQuitFirst) {
      quitWindowThreads();
      for (const auto& [name, window] : windows) EXPECT_FALSE(classRegistered(name)) << name << " outlived its thread";
    }
    refusedPosts = s.refusedPosts;
    std::future<PF_Err> done = setdown.post([&] { return scene.host.globalSetdown(); });
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      ADD_FAILURE() << "global setdown still waits after 30 s";
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 1);  // the setdown thread cannot be joined
    }
    refusedPosts = 0;
    EXPECT_EQ(done.get(), PF_Err_NONE);
    // Left to their threads when every request was refused; WM_QUIT still ends them cleanly.
    if (s.refusedPosts < 0) quitWindowThreads();
  }
  EXPECT_TRUE(effectWindows().empty());
  for (const auto& [name, window] : windows) EXPECT_FALSE(classRegistered(name)) << name;
}

const Setdown kSetdowns[] = {{"Plain", 0, false},
                             {"OneRequestRefused", 1, false},
                             {"EveryRequestRefused", -1, false},
                             {"WindowThreadsEndedByWmQuit", 0, true}};
INSTANTIATE_TEST_SUITE_P(WglContext, GlobalSetdown, testing::ValuesIn(kSetdowns),
                         [](const testing::TestParamInfo<Setdown>& row) { return std::string(row.param.name); });

// A host may unload the module without global setdown while its hidden windows live. Each
// window's thread keeps the module mapped until the thread ends, then lets it go. Here a
// module holding one hidden window and nothing else.
TEST(WglContext, AHiddenWindowKeepsItsModuleLoadedUntilItsThreadEnds) {
  HMODULE module = LoadLibraryA(VANTREL_HIDDEN_WINDOW_MODULE);
  ASSERT_TRUE(module) << VANTREL_HIDDEN_WINDOW_MODULE;
  const auto open = reinterpret_cast<DWORD (*)(const char*)>(reinterpret_cast<void*>(GetProcAddress(module, "openHiddenWindow")));
  ASSERT_TRUE(open);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, sizeof path);
  const std::string className = "AEOpenGL_Win_Class_unloaded";
  const DWORD id = open(className.c_str());
  ASSERT_NE(id, 0u);
  const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
  const HWND window = FindWindowA(className.c_str(), nullptr);
  EXPECT_TRUE(window);

  FreeLibrary(module);
  ASSERT_EQ(GetModuleHandleA(path), module) << "unloaded under its window's running thread";
  EXPECT_TRUE(IsWindow(window));

  ASSERT_TRUE(PostThreadMessageA(id, WM_QUIT, 0, 0));
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_EQ(GetModuleHandleA(path), nullptr) << "still loaded after its window's thread ended";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(classRegistered(className));
}

}  // namespace
