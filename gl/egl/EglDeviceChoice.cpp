// How the task's GPU is matched. Slurm gives a task its GPUs as numbers of the node's
// devices: SLURM_STEP_GPUS (or SLURM_JOB_GPUS) and GPU_DEVICE_ORDINAL, and, when it sets
// CUDA_VISIBLE_DEVICES, the CUDA driver then numbers the visible ones from 0. So:
//  - a device with a CUDA ordinal (the NVIDIA driver) matches the first entry of
//    CUDA_VISIBLE_DEVICES when it is a number, as the ordinal is counted among the
//    visible devices; where CUDA_VISIBLE_DEVICES is unset, it matches the node's number;
//  - a device with only a DRM file matches the node's number N as /dev/dri/cardN, the
//    node's number being the first entry of SLURM_STEP_GPUS, else GPU_DEVICE_ORDINAL
//    (Slurm's gres numbers follow the device files it was given, cardN for AMD and Intel);
//  - with no match, the first hardware device, then Mesa's software device.
// VANTREL_EGL_DEVICE=N names a device by its place in EGL's list and comes first; one
// that is not a number of that list refuses the choice rather than guess.
#include "EglDeviceChoice.h"

#include <cstdlib>

namespace Quillon::Vantrel::WindowSystem {
namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The first entry of a comma-separated list, when it is a plain non-negative number.
std::optional<int> firstNumber(const std::string& list) {
  const std::string first = list.substr(0, list.find(','));
  if (first.empty() || first.size() > 6 || first.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoi(first);
}

std::optional<int> drmCardNumber(const std::string& file) {
  const std::string prefix = "/dev/dri/card";
  if (file.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return firstNumber(file.substr(prefix.size()));
}

}  // namespace

EglDeviceEnvironment readEglDeviceEnvironment() {
  std::string slurm = environmentValue("SLURM_STEP_GPUS");
  if (slurm.empty()) slurm = environmentValue("SLURM_JOB_GPUS");
  return {environmentValue("VANTREL_EGL_DEVICE"), environmentValue("CUDA_VISIBLE_DEVICES"), slurm,
          environmentValue("GPU_DEVICE_ORDINAL")};
}

EglDeviceChoice chooseEglDevice(const std::vector<EglDeviceDescription>& devices, const EglDeviceEnvironment& environment) {
  const int count = static_cast<int>(devices.size());
  if (!environment.override.empty()) {
    const std::optional<int> index = firstNumber(environment.override);
    const std::string setting = "VANTREL_EGL_DEVICE=" + environment.override;
    if (!index || environment.override.find(',') != std::string::npos || *index >= count) {
      return {std::nullopt, setting + " names no EGL device (there are " + std::to_string(count) +
                                ", numbered from 0)"};
    }
    return {index, setting};
  }

  std::optional<int> node = firstNumber(environment.slurmStepGpus);
  if (!node) node = firstNumber(environment.gpuDeviceOrdinal);
  std::optional<int> cuda = firstNumber(environment.cudaVisibleDevices);
  if (environment.cudaVisibleDevices.empty()) cuda = node;
  if (node || cuda) {
    const std::string gpu = "the task's GPU " + std::to_string(node ? *node : *cuda);
    for (int i = 0; i < count; ++i) {
      if (devices[i].cudaDevice && cuda && *devices[i].cudaDevice == *cuda) {
        return {i, gpu + " (CUDA device " + std::to_string(*cuda) + ")"};
      }
    }
    for (int i = 0; i < count; ++i) {
      if (!devices[i].cudaDevice && node && drmCardNumber(devices[i].drmFile) == node) {
        return {i, gpu + " (" + devices[i].drmFile + ")"};
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    if (!devices[i].software) return {i, "first hardware device"};
  }
  for (int i = 0; i < count; ++i) {
    if (devices[i].software) return {i, "Mesa's software device"};
  }
  return {std::nullopt, "no EGL device"};
}

}  // namespace Quillon::Vantrel::WindowSystem
