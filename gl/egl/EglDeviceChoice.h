// Which EGL device the effect renders on, chosen from descriptions of the devices and the
// environment alone, so that the choice can be checked without the devices.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Quillon::Vantrel::WindowSystem {

struct EglDeviceDescription {
  bool software = false;       // Mesa's software device (EGL_MESA_device_software)
  std::string drmFile;         // EGL_DRM_DEVICE_FILE_EXT, e.g. "/dev/dri/card1"; empty when none
  std::optional<int> cudaDevice;  // EGL_CUDA_DEVICE_NV, where the driver names it
};

// The environment values the choice reads; unset ones are empty.
struct EglDeviceEnvironment {
  std::string override;           // VANTREL_EGL_DEVICE
  std::string cudaVisibleDevices;  // CUDA_VISIBLE_DEVICES
  std::string slurmStepGpus;       // SLURM_STEP_GPUS, else SLURM_JOB_GPUS
  std::string gpuDeviceOrdinal;    // GPU_DEVICE_ORDINAL
};

struct EglDeviceChoice {
  std::optional<int> index;  // into the descriptions; none when the choice is refused
  std::string reason;        // why this device, or why none
};

EglDeviceEnvironment readEglDeviceEnvironment();
EglDeviceChoice chooseEglDevice(const std::vector<EglDeviceDescription>& devices, const EglDeviceEnvironment& environment);

}  // namespace Quillon::Vantrel::WindowSystem
