// qn_vantrel.so: the effect as a frei0r filter. The filter plays the host with the
// substitute host's code: it loads QNVantrel.so, declares its controls as frei0r
// parameters, and renders each frame of each instance through the one host.
#include <dlfcn.h>
extern "C" {
#include <frei0r.h>  // a C header without C++ guards
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Controls.h"
#include "Host.h"

namespace vantrel_frei0r {
namespace {

namespace fs = std::filesystem;

// The effect's module: $VANTREL_MODULE, else beside this file, else in the folder above
// (build/<preset>/frei0r/ holds this file, build/<preset>/ the module).
std::string modulePath() {
  if (const char* given = std::getenv("VANTREL_MODULE"); given && *given) return given;
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&modulePath), &info) || !info.dli_fname) return "QNVantrel.so";
  std::error_code error;
  const fs::path self = fs::canonical(info.dli_fname, error);
  const fs::path folder = (error ? fs::path(info.dli_fname) : self).parent_path();
  for (const fs::path& candidate : {folder / "QNVantrel.so", folder.parent_path() / "QNVantrel.so"}) {
    if (fs::exists(candidate, error)) return candidate.string();
  }
  return (folder / "QNVantrel.so").string();
}

// The host a process has, shared by every instance. The substitute host is one per
// process and its commands are not reentrant, so one lock covers every call into it.
struct Plugin {
  std::mutex lock;
  int inits = 0;
  bool loaded = false;  // tried
  std::unique_ptr<minihost::Host> host;
  std::string loadFailure;
  std::vector<Control> controls;
  int instances = 0;
  bool globalUp = false;
  std::string globalFailure;  // why global setup failed, until the last instance goes
};

// Never destroyed: instances may outlive the application's deinit, and the module's
// contexts must not be torn down during exit.
Plugin& plugin() {
  static Plugin* p = new Plugin;
  return *p;
}

// Loads the module and reads its controls, once. Call with the lock held.
void load(Plugin& p) {
  if (p.loaded) return;
  p.loaded = true;
  try {
    p.host = std::make_unique<minihost::Host>(modulePath());
    // The effect's diagnostics would otherwise reach standard output, which may be the
    // application's video (ffmpeg ... -, melt ... pipe:1).
    p.host->setDiagnostics([](const char*) {});
    p.host->outData().return_msg[0] = '\0';
    if (const PF_Err err = p.host->paramsSetup(); err != PF_Err_NONE) {
      p.loadFailure = p.host->failureMessage("parameter setup", err);
      p.host.reset();
      return;
    }
    p.controls = controlsOf(*p.host);
  } catch (const std::exception& e) {
    p.loadFailure = e.what();
    p.host.reset();
  }
}

struct Instance {
  unsigned width = 0, height = 0;
  minihost::EffectInstance* effect = nullptr;  // owned by the host
  std::vector<Value> values;                   // one per control, as set
  minihost::World input, output;
  bool reported = false;

  Instance(unsigned w, unsigned h) : width(w), height(h), input(A_long(w), A_long(h)), output(A_long(w), A_long(h)) {}

  // One line per instance, however many frames fail.
  void report(const std::string& why) {
    if (reported) return;
    reported = true;
    std::cerr << "qn_vantrel: " << why << "; frames pass through unchanged\n";
  }
};

// The host's time for a frame at `seconds`: fine enough for any usual rate. Values are
// constant per frame here, so a time past what 32 bits of units hold is only held.
minihost::FrameTime frameTime(double seconds) {
  minihost::FrameTime time;
  time.timeScale = 24000;
  time.timeStep = 1000;
  const double units = std::isfinite(seconds) ? seconds * double(time.timeScale) : 0.0;
  time.time = A_long(std::clamp(units, -2147483647.0, 2147483647.0));
  return time;
}

// Renders one frame with the lock held; returns why it could not, or "".
std::string render(Plugin& p, Instance& instance, double seconds) {
  if (!p.host || !instance.effect) return "cannot load the effect: " + p.loadFailure;
  if (!p.globalFailure.empty()) return p.globalFailure;
  minihost::Host& host = *p.host;
  try {
    if (!p.globalUp) {
      host.outData().return_msg[0] = '\0';
      if (const PF_Err err = host.globalSetup(); err != PF_Err_NONE) {
        p.globalFailure = host.failureMessage("global setup", err);
        return p.globalFailure;
      }
      p.globalUp = true;
    }
    for (std::size_t i = 0; i < p.controls.size(); ++i) {
      const Control& control = p.controls[i];
      instance.effect->set(control.index, hostValue(control, instance.values[i]), control.type == F0R_PARAM_POSITION);
    }
    host.outData().return_msg[0] = '\0';
    if (const PF_Err err = host.render(*instance.effect, instance.input, instance.output, frameTime(seconds));
        err != PF_Err_NONE) {
      return host.failureMessage("render", err);
    }
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace
}  // namespace vantrel_frei0r

using namespace vantrel_frei0r;

extern "C" {

int f0r_init() {
  Plugin& p = plugin();
  std::lock_guard<std::mutex> guard(p.lock);
  ++p.inits;
  load(p);
  return 1;  // a module that cannot load still passes frames through
}

void f0r_deinit() {
  Plugin& p = plugin();
  std::lock_guard<std::mutex> guard(p.lock);
  if (p.inits > 0) --p.inits;
  if (p.inits > 0 || p.instances > 0) return;
  if (p.host && p.globalUp) p.host->globalSetdown();
  p.globalUp = false;
  p.host.reset();
  p.controls.clear();
  p.loaded = false;
  p.loadFailure.clear();
  p.globalFailure.clear();
}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  Plugin& p = plugin();
  std::lock_guard<std::mutex> guard(p.lock);
  load(p);
  info->name = "QN Vantrel";
  info->author = "QN";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = VANTREL_VERSION_MAJOR;
  info->minor_version = VANTREL_VERSION_MINOR;
  info->num_params = int(p.controls.size());
  info->explanation = "Echoes the layer inside a procedural shape";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
  Plugin& p = plugin();
  std::lock_guard<std::mutex> guard(p.lock);
  load(p);
  if (index < 0 || std::size_t(index) >= p.controls.size()) return;
  const Control& control = p.controls[std::size_t(index)];
  info->name = control.name.c_str();
  info->type = control.type;
  info->explanation = control.explanation.c_str();
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  if (width == 0 || height == 0) return nullptr;
  Plugin& p = plugin();
  try {
    auto instance = std::make_unique<Instance>(width, height);
    std::lock_guard<std::mutex> guard(p.lock);
    load(p);
    if (p.host) {
      instance->effect = &p.host->newInstance();
      for (const Control& control : p.controls) {
        instance->values.push_back(defaultOf(control, instance->effect->declared(control.index)));
      }
    }
    ++p.instances;
    return instance.release();
  } catch (const std::exception& e) {
    std::cerr << "qn_vantrel: cannot make an instance: " << e.what() << "\n";
    return nullptr;
  }
}

void f0r_destruct(f0r_instance_t handle) {
  auto* instance = static_cast<Instance*>(handle);
  if (!instance) return;
  Plugin& p = plugin();
  std::lock_guard<std::mutex> guard(p.lock);
  if (p.host && instance->effect) p.host->dropInstance(*instance->effect);
  delete instance;
  if (--p.instances > 0) return;
  // The last instance takes the effect's global state with it; a later one sets it up again.
  if (p.host && p.globalUp) p.host->globalSetdown();
  p.globalUp = false;
  p.globalFailure.clear();
}

// Values live in the instance alone; they reach the host when a frame is rendered.
void f0r_set_param_value(f0r_instance_t handle, f0r_param_t param, int index) {
  auto* instance = static_cast<Instance*>(handle);
  if (!instance || !param || index < 0 || std::size_t(index) >= instance->values.size()) return;
  const Control& control = plugin().controls[std::size_t(index)];
  if (!assign(control, param, instance->values[std::size_t(index)]) && control.type == F0R_PARAM_STRING) {
    const char* given = *static_cast<const f0r_param_string*>(param);
    std::cerr << "qn_vantrel: " << control.name << " has no choice \"" << (given ? given : "") << "\"; keeping "
              << instance->values[std::size_t(index)].text << "\n";
  }
}

void f0r_get_param_value(f0r_instance_t handle, f0r_param_t param, int index) {
  auto* instance = static_cast<Instance*>(handle);
  if (!instance || !param || index < 0 || std::size_t(index) >= instance->values.size()) return;
  fetch(plugin().controls[std::size_t(index)], instance->values[std::size_t(index)], param);
}

void f0r_update(f0r_instance_t handle, double time, const uint32_t* inframe, uint32_t* outframe) {
  auto* instance = static_cast<Instance*>(handle);
  if (!instance || !inframe || !outframe) return;
  const auto* in = reinterpret_cast<const unsigned char*>(inframe);
  auto* out = reinterpret_cast<unsigned char*>(outframe);
  const std::size_t rowBytes = std::size_t(instance->width) * 4;

  // frei0r's RGBA bytes to the host's ARGB world, and back, outside the lock.
  for (unsigned y = 0; y < instance->height; ++y) {
    const unsigned char* from = in + y * rowBytes;
    PF_Pixel* to = instance->input.row(A_long(y));
    for (unsigned x = 0; x < instance->width; ++x, from += 4) to[x] = PF_Pixel{from[3], from[0], from[1], from[2]};
  }
  std::string failure;
  {
    Plugin& p = plugin();
    std::lock_guard<std::mutex> guard(p.lock);
    failure = render(p, *instance, time);
  }
  if (!failure.empty()) {
    instance->report(failure);
    if (out != in) std::memcpy(out, in, rowBytes * instance->height);
    return;
  }
  for (unsigned y = 0; y < instance->height; ++y) {
    const PF_Pixel* from = instance->output.row(A_long(y));
    unsigned char* to = out + y * rowBytes;
    for (unsigned x = 0; x < instance->width; ++x, to += 4) {
      to[0] = from[x].red;
      to[1] = from[x].green;
      to[2] = from[x].blue;
      to[3] = from[x].alpha;
    }
  }
}

}  // extern "C"
