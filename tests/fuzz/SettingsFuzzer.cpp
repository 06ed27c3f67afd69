// Fuzzes how vantrel reads control settings: the bytes whole as `--set` text, and as a
// preset file. Either reader may refuse, with a std::runtime_error of one line; anything
// else that leaves it is a crash. What they accept lies in the control's valid range.
#include <unistd.h>

#include <cmath>
#include <stdexcept>

#include "FuzzInput.h"
#include "ParamAssignment.h"
#include "Preset.h"

using namespace vantrel_fuzz;

static std::string presetPath;

static bool inRange(const minihost::DeclaredParam& param, const minihost::ParamValue& v) {
  const PF_ParamDefUnion& u = param.raw().u;
  const auto whole = [&](int i, double low, double high) { return v[i] == std::floor(v[i]) && v[i] >= low && v[i] <= high; };
  switch (param.type()) {
    case PF_Param_POPUP: return whole(0, 1, u.pd.num_choices);
    case PF_Param_SLIDER: return whole(0, u.sd.valid_min, u.sd.valid_max);
    case PF_Param_FLOAT_SLIDER: return v[0] >= u.fs_d.valid_min && v[0] <= u.fs_d.valid_max;
    case PF_Param_ANGLE: return std::isfinite(v[0]);
    case PF_Param_POINT: return std::isfinite(v[0]) && std::isfinite(v[1]);
    case PF_Param_CHECKBOX: return v[0] == 0 || v[0] == 1;
    case PF_Param_COLOR: return whole(0, 0, 255) && whole(1, 0, 255) && whole(2, 0, 255) && whole(3, 0, 255);
    default: return false;  // a group marker or the layer takes no value
  }
}

// A value at each key, in range; key times at 0 or later, in order.
static void check(PF_ParamIndex index, const std::vector<minihost::Keyframe>& keys, const char* reader) {
  const minihost::DeclaredParam& param = session->host.params().at(std::size_t(index));
  bool right = !keys.empty();
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const double t = keys[k].seconds;
    right = right && inRange(param, keys[k].value) && std::isfinite(t) && (k ? t > keys[k - 1].seconds : t >= 0);
  }
  if (!right) fail(std::string(reader) + " let through no value, one out of range or a bad key time for " + param.name());
}
static void check(const std::runtime_error& refusal, const char* reader) {
  const std::string reason = refusal.what();
  if (reason.empty() || reason.find_first_of("\r\n") != std::string::npos) fail(std::string(reader) + " refused without one line");
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = std::make_unique<vantrel_test::DeclaredHost>();
  const char* tmp = std::getenv("TMPDIR");
  presetPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantrel-settings-fuzzer-" + std::to_string(getpid()) + ".json";
  std::atexit([] { std::remove(presetPath.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  minihost::Host& host = session->host;
  try {
    const auto setting = vantrel::parseParamSetting(host, std::string(reinterpret_cast<const char*>(data), size), 24);
    if (setting.index < 1 || std::size_t(setting.index) >= host.params().size()) fail("--set named no control");
    check(setting.index, setting.keys, "--set");
  } catch (const std::runtime_error& e) {
    check(e, "--set");
  }
  std::FILE* file = std::fopen(presetPath.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) fail("cannot write " + presetPath);
  minihost::EffectInstance instance(host.params());  // every control at its default
  try {
    vantrel::loadPreset(host, instance, presetPath, 24);
    for (PF_ParamIndex i = 1; i < PF_ParamIndex(instance.size()); ++i) {
      if (vantrel::takesValue(instance.declared(i).type())) check(i, instance.keyframes(i), "the preset loader");
    }
  } catch (const std::runtime_error& e) {
    check(e, "the preset loader");
  }
  return 0;
}
