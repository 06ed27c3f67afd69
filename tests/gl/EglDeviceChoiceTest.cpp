// The choice of EGL device from descriptions of the devices and the environment.
#include <gtest/gtest.h>

#include "EglDeviceChoice.h"

namespace WS = Quillon::Vantrel::WindowSystem;

namespace {

const WS::EglDeviceDescription kSoftware{true, "", std::nullopt};
WS::EglDeviceDescription nvidia(int cuda, int card) { return {false, "/dev/dri/card" + std::to_string(card), cuda}; }
WS::EglDeviceDescription drm(const std::string& file) { return {false, file, std::nullopt}; }

struct Case {
  const char* name;
  std::vector<WS::EglDeviceDescription> devices;
  WS::EglDeviceEnvironment environment;  // override, CUDA_VISIBLE_DEVICES, SLURM_STEP_GPUS, GPU_DEVICE_ORDINAL
  int index;                             // -1: refused
  const char* reason;
};

TEST(EglDeviceChoice, Table) {
  const Case cases[] = {
      {"software only", {kSoftware}, {}, 0, "Mesa's software device"},
      {"hardware before software", {kSoftware, drm("/dev/dri/card0")}, {}, 1, "first hardware device"},
      {"no devices", {}, {}, -1, "no EGL device"},
      {"override", {nvidia(0, 1), kSoftware}, {"1", "", "", ""}, 1, "VANTREL_EGL_DEVICE=1"},
      {"override beats the task", {nvidia(0, 1), nvidia(1, 2)}, {"0", "1", "1", ""}, 0, "VANTREL_EGL_DEVICE=0"},
      {"override out of range", {kSoftware}, {"1", "", "", ""}, -1,
       "VANTREL_EGL_DEVICE=1 names no EGL device (there are 1, numbered from 0)"},
      {"override not a number", {kSoftware}, {"gpu", "", "", ""}, -1,
       "VANTREL_EGL_DEVICE=gpu names no EGL device (there are 1, numbered from 0)"},
      {"override a list", {kSoftware, kSoftware}, {"0,1", "", "", ""}, -1,
       "VANTREL_EGL_DEVICE=0,1 names no EGL device (there are 2, numbered from 0)"},
      {"CUDA ordinal", {nvidia(0, 1), nvidia(1, 2), nvidia(2, 3)}, {"", "2,3", "2,3", "2,3"}, 2,
       "the task's GPU 2 (CUDA device 2)"},
      {"CUDA ordinal, no CUDA_VISIBLE_DEVICES", {nvidia(0, 1), nvidia(1, 2)}, {"", "", "1", ""}, 1,
       "the task's GPU 1 (CUDA device 1)"},
      {"CUDA UUIDs match nothing", {nvidia(0, 1), nvidia(1, 2)}, {"", "GPU-0a1b", "1", ""}, 0,
       "first hardware device"},
      {"DRM card number", {kSoftware, drm("/dev/dri/card0"), drm("/dev/dri/card1")}, {"", "", "1", ""}, 2,
       "the task's GPU 1 (/dev/dri/card1)"},
      {"GPU_DEVICE_ORDINAL", {drm("/dev/dri/card0"), drm("/dev/dri/card1")}, {"", "", "", "1"}, 1,
       "the task's GPU 1 (/dev/dri/card1)"},
      {"render node only", {drm("/dev/dri/renderD128"), drm("/dev/dri/renderD129")}, {"", "", "1", ""}, 0,
       "first hardware device"},
      {"task's GPU absent", {kSoftware, drm("/dev/dri/card0")}, {"", "", "5", ""}, 1, "first hardware device"},
  };
  for (const Case& c : cases) {
    const WS::EglDeviceChoice choice = WS::chooseEglDevice(c.devices, c.environment);
    EXPECT_EQ(choice.index.value_or(-1), c.index) << c.name;
    EXPECT_EQ(choice.reason, c.reason) << c.name;
  }
}

}  // namespace
