// The substitute host: loads an effect module, answers every host call and suite the
// effect uses, keeps the declared parameters and the instances' values, and records a
// journal of the calls. One host exists at a time, as the module's callbacks carry no
// host pointer of their own.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "AE_Suites.h"
#include "DeclaredParam.h"
#include "EffectInstance.h"
#include "Faults.h"
#include "Journal.h"
#include "Module.h"
#include "World.h"

namespace minihost {

// The frame the host asks for: its time in the host's units, and the downsample factor
// of a preview (1 renders at full resolution).
struct FrameTime {
  A_long time = 0;
  A_long timeStep = 1;
  A_u_long timeScale = 24;
  A_u_long downsample = 1;

  double seconds() const { return double(time) / double(timeScale); }
};

class Host {
 public:
  explicit Host(const std::string& modulePath);  // throws HostError
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  const Module& module() const { return module_; }
  Journal& journal() { return journal_; }
  Faults& faults() { return faults_; }
  // The out-data record, kept from command to command as a host keeps it.
  PF_OutData& outData() { return outData_; }
  // One line for a command that failed: "the effect failed WHAT with error N", and the
  // message the effect left in return_msg after a colon, when it left one.
  std::string failureMessage(const std::string& what, PF_Err err) const;

  // Sends a command as the host would: in-data for `instance` (or for the effect's
  // declaration when null), its parameter list, and `extra`. Returns the module's code.
  PF_Err send(PF_Cmd cmd, EffectInstance* instance = nullptr, void* extra = nullptr);

  PF_Err about();  // the text lands in outData().return_msg
  PF_Err globalSetup();
  PF_Err globalSetdown();
  PF_Err paramsSetup();  // throws HostError when the declared count disagrees with num_params
  PF_Err userChangedParam(EffectInstance& instance, PF_ParamIndex index);
  PF_Err updateParamsUI(EffectInstance& instance);
  // Renders one frame of `instance` from `input` (already at the frame's resolution)
  // into `output`. The full-resolution layer size, which a point's default follows, is
  // the input's size times the downsample factor.
  PF_Err render(EffectInstance& instance, World& input, World& output, const FrameTime& time = {});

  // The parameters as declared, index 0 being the input layer the host supplies.
  const std::vector<DeclaredParam>& params() const { return declared_; }
  // A new instance with every value at its default, owned by the host. Needs paramsSetup
  // first.
  EffectInstance& newInstance();
  // Forgets an instance newInstance made, for a host whose instances come and go.
  void dropInstance(const EffectInstance& instance);
  // The index of the parameter with this display name, or -1.
  PF_ParamIndex findParam(const std::string& name) const;

  // Offers the effect the diagnostics suite: its diagnostic text goes to `sink`, which
  // may be called on any thread, instead of to standard output. Unset: not offered.
  void setDiagnostics(std::function<void(const char* text)> sink) { diagnostics_ = std::move(sink); }

  // What the module holds of the host's, for leak checks.
  std::size_t liveSuites() const;
  std::size_t liveMemoryHandles() const;
  std::size_t liveEffectHandles() const;
  std::size_t liveStreamHandles() const;

 private:
  friend struct HostCallbacks;

  struct MemoryHandle {
    std::vector<unsigned char> bytes;
    int locks = 0;
  };
  struct StreamHandle {
    EffectInstance* instance;
    PF_ParamIndex index;
  };

  EffectInstance* instanceFor(PF_ProgPtr effect_ref);
  PF_Err dispatch(PF_Cmd cmd, EffectInstance* instance, void* extra, const FrameTime& time,
                  const FrameContext& frame, PF_LayerDef* input, PF_LayerDef* output);

  Module module_;
  Journal journal_;
  Faults faults_;
  PF_OutData outData_{};
  std::vector<DeclaredParam> declared_;
  std::vector<std::unique_ptr<EffectInstance>> instances_;
  mutable std::mutex mutex_;  // guards the handle tables: callbacks may come from any thread
  std::function<void(const char*)> diagnostics_;
  std::map<std::string, int> acquiredSuites_;  // "name version" -> acquisitions not released
  std::map<PF_Handle, std::unique_ptr<MemoryHandle>> memoryHandles_;
  std::map<AEGP_EffectRefH, std::unique_ptr<EffectInstance*>> effectHandles_;
  std::map<AEGP_StreamRefH, std::unique_ptr<StreamHandle>> streamHandles_;
};

}  // namespace minihost
