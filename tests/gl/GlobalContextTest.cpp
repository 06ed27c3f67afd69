// Global setup and setdown through the substitute host: the private context is made and
// released, and nothing is left current where nothing was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>

#include "TestHost.h"
#include "WindowSystem.h"

using Quillon::Vantrel::CurrentBinding;
namespace WindowSystem = Quillon::Vantrel::WindowSystem;

namespace {

PF_Err quietly(const std::function<PF_Err()>& command, std::string* printed = nullptr) {
  testing::internal::CaptureStdout();
  const PF_Err err = command();
  const std::string out = testing::internal::GetCapturedStdout();
  if (printed) *printed = out;
  return err;
}

bool nothingCurrent() { return WindowSystem::currentHandle() == 0; }

TEST(GlobalContext, NoContextBeforeMeansNoneAfter) {
  WindowSystem::restoreBinding(CurrentBinding{});
  minihost::Host host(vantrel_test::modulePath());
  std::memset(&host.outData(), 0xFF, sizeof host.outData());
  const PF_Err err = quietly([&] { return host.globalSetup(); });
  if (err != PF_Err_NONE) GTEST_SKIP() << host.outData().return_msg;
  EXPECT_EQ(host.outData().my_version, 524289u);
  EXPECT_EQ(host.outData().out_flags | host.outData().out_flags2, 0);
  EXPECT_TRUE(nothingCurrent());
  EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
  EXPECT_TRUE(nothingCurrent());
  EXPECT_EQ(host.globalSetdown(), PF_Err_NONE) << "a second setdown finds nothing to release";

  // Setup after setdown in the same load makes a fresh context.
  EXPECT_EQ(quietly([&] { return host.globalSetup(); }), PF_Err_NONE);
  EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
  EXPECT_TRUE(nothingCurrent());
}

TEST(GlobalContext, PrintsTheInformationBlock) {
  minihost::Host host(vantrel_test::modulePath());
  std::string printed;
  if (quietly([&] { return host.globalSetup(); }, &printed) != PF_Err_NONE) GTEST_SKIP() << "no OpenGL here";
  host.globalSetdown();
  const std::regex block(
      "\nOpenGL Version:  [0-9]+\\.[0-9]+\n"
      "OpenGL Vendor:   [^\n]+\n"
      "OpenGL Renderer: [^\n]+\n"
      "OpenGL Revision: 32957 \\(gl\\.xml\\)\n"
      "(EGL Device:      [^\n]+\n)?\n");
  EXPECT_TRUE(std::regex_match(printed, block)) << printed;
}

// Runs in a fresh process (the death-test child is started anew), where the window
// system finds no driver at all.
TEST(GlobalContextDeathTest, WithoutADriverSetupFailsCleanlyButStillWritesTheVersion) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        minihost::Host host(vantrel_test::modulePath());
        host.faults().openGLPlatformRefuses = true;
        std::memset(&host.outData(), 0xFF, sizeof host.outData());
        const PF_Err err = host.globalSetup();
        const PF_OutData& out = host.outData();
        const bool right = err == PF_Err_BAD_CALLBACK_PARAM && out.my_version == 524289u && out.out_flags == 0 &&
                           out.out_flags2 == 0 && std::strstr(out.return_msg, "OpenGL") != nullptr &&
                           nothingCurrent() && host.globalSetdown() == PF_Err_NONE;
        std::fprintf(stderr, "%d %u %s\n", err, out.my_version, out.return_msg);
        std::exit(right ? 0 : 1);
      },
      testing::ExitedWithCode(0), "cannot create an OpenGL 3.3 context");
}

#if !defined(_WIN32)
// Mesa lists its software device through EGL_EXT_device_enumeration; each row runs in a
// fresh process, as the display is chosen once per process.
TEST(GlobalContextDeathTest, RendersOnTheChosenEglDevice) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Row {
    const char* override;  // VANTREL_EGL_DEVICE; null: unset
    int exitCode;          // 1: global setup fails
    const char* expected;  // on stderr
  };
  const Row rows[] = {
      {nullptr, 0, "EGL Device:      [0-9]+ \\((first hardware|Mesa's software) device\\)"},
      {"0", 0, "EGL Device:      0 \\(VANTREL_EGL_DEVICE=0\\)"},
      {"99", 1, "QN Vantrel: VANTREL_EGL_DEVICE=99 names no EGL device \\(there are [0-9]+, numbered from 0\\)"},
  };
  for (const Row& row : rows) {
    EXPECT_EXIT(
        {
          for (const char* name : {"VANTREL_EGL_DEVICE", "CUDA_VISIBLE_DEVICES", "SLURM_STEP_GPUS", "SLURM_JOB_GPUS",
                                   "GPU_DEVICE_ORDINAL"}) {
            unsetenv(name);
          }
          if (row.override) setenv("VANTREL_EGL_DEVICE", row.override, 1);
          minihost::Host host(vantrel_test::modulePath());
          std::string printed;
          const PF_Err err = quietly([&] { return host.globalSetup(); }, &printed);
          std::fprintf(stderr, "%s%s\n", printed.c_str(), host.outData().return_msg);
          std::exit(err == PF_Err_NONE ? 0 : 1);
        },
        testing::ExitedWithCode(row.exitCode), row.expected)
        << (row.override ? row.override : "unset");
  }
}
#endif

}  // namespace
