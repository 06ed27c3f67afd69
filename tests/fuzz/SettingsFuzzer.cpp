// Fuzzes how vantrel reads control settings: the bytes are given whole to the `--set`
// parser as "NAME=VALUE" text, and written to a file that the preset loader reads.
//
// Either reader may refuse, but only with a std::runtime_error of one line; anything
// else that leaves it is a crash. What they accept must be within the control's valid
// range at every key, with key times at 0 or later and in order. A preset that is
// refused leaves the instance as it was.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Host.h"
#include "ParamAssignment.h"
#include "Preset.h"

namespace {

using minihost::DeclaredParam;
using minihost::EffectInstance;
using minihost::Keyframe;

constexpr double kFps = 24;

std::unique_ptr<minihost::Host> host;
std::string presetPath;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "settings fuzzer: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

bool whole(double v) { return std::isfinite(v) && v == std::floor(v); }

bool withinRange(const DeclaredParam& param, const minihost::ParamValue& v) {
  const PF_ParamDefUnion& u = param.raw().u;
  switch (param.type()) {
    case PF_Param_POPUP: return whole(v[0]) && v[0] >= 1 && v[0] <= u.pd.num_choices;
    case PF_Param_SLIDER: return whole(v[0]) && v[0] >= u.sd.valid_min && v[0] <= u.sd.valid_max;
    case PF_Param_FLOAT_SLIDER:
      return std::isfinite(v[0]) && v[0] >= u.fs_d.valid_min && v[0] <= u.fs_d.valid_max;
    case PF_Param_ANGLE: return std::isfinite(v[0]);
    case PF_Param_POINT: return std::isfinite(v[0]) && std::isfinite(v[1]);
    case PF_Param_CHECKBOX: return v[0] == 0 || v[0] == 1;
    case PF_Param_COLOR:
      for (double channel : v) {
        if (!whole(channel) || channel < 0 || channel > 255) return false;
      }
      return true;
    default: return false;  // a group marker or the layer takes no value
  }
}

void checkKeys(PF_ParamIndex index, const std::vector<Keyframe>& keys, const char* reader) {
  const DeclaredParam& param = host->params().at(std::size_t(index));
  if (keys.empty()) fail(std::string(reader) + " gave " + param.name() + " no value");
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (!withinRange(param, keys[k].value)) fail(std::string(reader) + " let through a value out of range for " + param.name());
    if (!std::isfinite(keys[k].seconds) || keys[k].seconds < 0) fail(std::string(reader) + " let through a bad key time");
    if (k > 0 && !(keys[k].seconds > keys[k - 1].seconds)) fail(std::string(reader) + " let keys out of order");
  }
}

void checkReason(const std::runtime_error& e, const char* reader) {
  const std::string reason = e.what();
  if (reason.empty()) fail(std::string(reader) + " refused without a reason");
  if (reason.find_first_of("\n\r") != std::string::npos) fail(std::string(reader) + " gave a reason of several lines: " + reason);
}

struct Snapshot {
  std::vector<std::vector<Keyframe>> keys;
  std::vector<bool> atDefault;
};

Snapshot snapshot(const EffectInstance& instance) {
  Snapshot s;
  for (PF_ParamIndex i = 0; i < PF_ParamIndex(instance.size()); ++i) {
    s.keys.push_back(instance.keyframes(i));
    s.atDefault.push_back(instance.atDefault(i));
  }
  return s;
}

bool same(const Snapshot& a, const Snapshot& b) {
  if (a.atDefault != b.atDefault || a.keys.size() != b.keys.size()) return false;
  for (std::size_t i = 0; i < a.keys.size(); ++i) {
    if (a.keys[i].size() != b.keys[i].size()) return false;
    for (std::size_t k = 0; k < a.keys[i].size(); ++k) {
      if (a.keys[i][k].seconds != b.keys[i][k].seconds || a.keys[i][k].value != b.keys[i][k].value) return false;
    }
  }
  return true;
}

void fuzzSet(const std::string& text) {
  try {
    const vantrel::ParamSetting setting = vantrel::parseParamSetting(*host, text, kFps);
    if (setting.index < 1 || std::size_t(setting.index) >= host->params().size()) fail("--set named no control");
    checkKeys(setting.index, setting.keys, "--set");
  } catch (const std::runtime_error& e) {
    checkReason(e, "--set");
  }
}

void fuzzPreset(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(presetPath.c_str(), "wb");
  if (!file) fail("cannot write " + presetPath);
  if (size && std::fwrite(data, 1, size, file) != size) fail("cannot write " + presetPath);
  std::fclose(file);

  EffectInstance instance(host->params());  // a fresh one each time, every control at its default
  const Snapshot before = snapshot(instance);
  try {
    vantrel::loadPreset(*host, instance, presetPath, kFps);
    for (PF_ParamIndex i = 1; i < PF_ParamIndex(instance.size()); ++i) {
      if (vantrel::takesValue(instance.declared(i).type())) checkKeys(i, instance.keyframes(i), "the preset loader");
    }
  } catch (const std::runtime_error& e) {
    checkReason(e, "the preset loader");
    if (!same(before, snapshot(instance))) fail("a refused preset changed the instance");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* module = std::getenv("VANTREL_MODULE");
  host = std::make_unique<minihost::Host>(module && *module ? module : VANTREL_MODULE_PATH);
  if (host->paramsSetup() != PF_Err_NONE) fail("parameters setup failed");
  const char* tmp = std::getenv("TMPDIR");
  presetPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantrel-settings-fuzzer-" + std::to_string(getpid()) + ".json";
  std::atexit([] { std::remove(presetPath.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzSet(std::string(reinterpret_cast<const char*>(data), size));
  fuzzPreset(data, size);
  return 0;
}
