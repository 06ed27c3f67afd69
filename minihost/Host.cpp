#include "Host.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "HostError.h"
#include "OpenGLPlatformRefusal.h"

namespace minihost {
namespace {

Host* activeHost = nullptr;
// The frame of the command running on this thread: what checkout_param hands out.
thread_local const FrameContext* commandFrame = nullptr;

// The reference handed to the module while it declares its parameters.
PF_ProgPtr declarationRef() { return reinterpret_cast<PF_ProgPtr>(&activeHost); }

std::string suiteKey(const char* name, A_long version) {
  return std::string(name) + " " + std::to_string(version);
}

}  // namespace

// The C functions the module calls. Each finds the one active host.
struct HostCallbacks {
  static Host& host() { return *activeHost; }

  // Interact callbacks.
  static PF_Err addParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    Host& h = host();
    const auto next = PF_ParamIndex(h.declared_.size());
    h.journal_.add("add_param " + std::to_string(next) + " " + def->name);
    if (effect_ref != declarationRef() || index != PF_ParamIndex_APPEND) return PF_Err_BAD_CALLBACK_PARAM;
    if (next == h.faults_.addParamFailsAt) return h.faults_.addParamError;
    h.declared_.emplace_back(*def);
    return PF_Err_NONE;
  }

  static PF_Err checkoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long,
                              A_u_long time_scale, PF_ParamDef* param) {
    Host& h = host();
    h.journal_.add("checkout_param " + std::to_string(index));
    EffectInstance* instance = h.instanceFor(effect_ref);
    if (!instance || index < 1 || std::size_t(index) >= instance->size() || time_scale == 0) {
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index == h.faults_.checkoutFailsAt) return h.faults_.checkoutError;
    // The effect checks its parameters out on the thread of the command it is running.
    FrameContext frame = commandFrame ? *commandFrame : FrameContext{};
    frame.seconds = double(what_time) / double(time_scale);
    *param = instance->checkout(index, frame);
    return PF_Err_NONE;
  }

  static PF_Err checkinParam(PF_ProgPtr effect_ref, PF_ParamDef* param) {
    Host& h = host();
    h.journal_.add("checkin_param " + std::to_string(param->id));
    return h.instanceFor(effect_ref) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
  }

  // Utility callbacks.
  static A_char* strcpyCallback(A_char* dst, const A_char* src) { return std::strcpy(dst, src); }

  static PF_Err getPixelData8(PF_EffectWorld* world, PF_PixelPtr, PF_Pixel8** pixels) {
    if (!world || !pixels) return PF_Err_BAD_CALLBACK_PARAM;
    *pixels = world->data;
    return PF_Err_NONE;
  }

  // Basic suite.
  static A_Err acquireSuite(const char* name, A_long version, const void** suite) {
    Host& h = host();
    const std::string key = suiteKey(name, version);
    const bool offered = !h.faults_.missingSuites.count(name) && (h.diagnostics_ || key != diagnosticsKey());
    const void* table = offered ? suiteTable(key) : nullptr;
    h.journal_.add("AcquireSuite " + key + (table ? "" : " missing"));
    *suite = table;
    if (!table) return A_Err_MISSING_SUITE;
    std::lock_guard<std::mutex> lock(h.mutex_);
    ++h.acquiredSuites_[key];
    return 0;
  }

  static A_Err releaseSuite(const char* name, A_long version) {
    Host& h = host();
    const std::string key = suiteKey(name, version);
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto it = h.acquiredSuites_.find(key);
    if (it == h.acquiredSuites_.end() || it->second == 0) {
      h.journal_.add("ReleaseSuite " + key + " not acquired");
      return A_Err_MISSING_SUITE;
    }
    h.journal_.add("ReleaseSuite " + key);
    --it->second;
    return 0;
  }

  // "PF ANSI Suite" 1.
  static A_long ansiSprintf(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
    va_end(args);
    return n;
  }

  // "PF Handle Suite" 2.
  static PF_Handle newHandle(A_u_longlong size) {
    Host& h = host();
    if (h.faults_.handleAllocationFails) {
      h.journal_.add("host_new_handle " + std::to_string(size) + " refused");
      return nullptr;
    }
    auto record = std::make_unique<Host::MemoryHandle>();
    record->bytes.resize(size);
    auto handle = reinterpret_cast<PF_Handle>(record.get());
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.memoryHandles_.emplace(handle, std::move(record));
    h.journal_.add("host_new_handle " + std::to_string(size));
    return handle;
  }
  static Host::MemoryHandle* memory(PF_Handle handle) {
    Host& h = host();
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto it = h.memoryHandles_.find(handle);
    return it == h.memoryHandles_.end() ? nullptr : it->second.get();
  }
  static void* lockHandle(PF_Handle handle) {
    Host::MemoryHandle* m = memory(handle);
    if (!m) return nullptr;
    ++m->locks;
    return m->bytes.data();
  }
  static void unlockHandle(PF_Handle handle) {
    if (Host::MemoryHandle* m = memory(handle)) --m->locks;
  }
  static void disposeHandle(PF_Handle handle) {
    Host& h = host();
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.journal_.add(h.memoryHandles_.erase(handle) ? "host_dispose_handle" : "host_dispose_handle unknown");
  }

  // "PF Param Utils Suite" 3.
  static PF_Err updateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef*) {
    Host& h = host();
    h.journal_.add("PF_UpdateParamUI " + std::to_string(index));
    return h.instanceFor(effect_ref) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
  }

  // "AEGP PF Interface Suite" 1 and "AEGP Effect Suite" 2.
  static A_Err getNewEffectForEffect(AEGP_PluginID, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect) {
    Host& h = host();
    h.journal_.add("AEGP_GetNewEffectForEffect");
    EffectInstance* instance = h.instanceFor(effect_ref);
    if (!instance || !effect) return PF_Err_BAD_CALLBACK_PARAM;
    auto record = std::make_unique<EffectInstance*>(instance);
    *effect = reinterpret_cast<AEGP_EffectRefH>(record.get());
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.effectHandles_.emplace(*effect, std::move(record));
    return 0;
  }
  static A_Err disposeEffect(AEGP_EffectRefH effect) {
    Host& h = host();
    std::lock_guard<std::mutex> lock(h.mutex_);
    const bool known = h.effectHandles_.erase(effect) != 0;
    h.journal_.add(known ? "AEGP_DisposeEffect" : "AEGP_DisposeEffect unknown");
    return known ? 0 : PF_Err_BAD_CALLBACK_PARAM;
  }

  // "AEGP Stream Suite" 7.
  static A_Err getNewEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH effect, PF_ParamIndex index,
                                         AEGP_StreamRefH* stream) {
    Host& h = host();
    h.journal_.add("AEGP_GetNewEffectStreamByIndex " + std::to_string(index));
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto it = h.effectHandles_.find(effect);
    if (it == h.effectHandles_.end() || !stream) return PF_Err_BAD_CALLBACK_PARAM;
    EffectInstance* instance = *it->second;
    if (index < 1 || std::size_t(index) >= instance->size()) return PF_Err_BAD_CALLBACK_PARAM;
    auto record = std::make_unique<Host::StreamHandle>(Host::StreamHandle{instance, index});
    *stream = reinterpret_cast<AEGP_StreamRefH>(record.get());
    h.streamHandles_.emplace(*stream, std::move(record));
    return 0;
  }
  static Host::StreamHandle* streamRecord(AEGP_StreamRefH stream) {
    Host& h = host();
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto it = h.streamHandles_.find(stream);
    return it == h.streamHandles_.end() ? nullptr : it->second.get();
  }
  static A_Err disposeStream(AEGP_StreamRefH stream) {
    Host& h = host();
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto it = h.streamHandles_.find(stream);
    if (it == h.streamHandles_.end()) {
      h.journal_.add("AEGP_DisposeStream unknown");
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    h.journal_.add("AEGP_DisposeStream " + std::to_string(it->second->index));
    h.streamHandles_.erase(it);
    return 0;
  }

  // "AEGP Dynamic Stream Suite" 2.
  static A_Err getDynamicStreamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
    Host::StreamHandle* s = streamRecord(stream);
    host().journal_.add("AEGP_GetDynamicStreamFlags " + (s ? std::to_string(s->index) : "unknown"));
    if (!s || !flags) return PF_Err_BAD_CALLBACK_PARAM;
    *flags = s->instance->streamFlags(s->index);
    return 0;
  }
  static A_Err setDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                                    A_Boolean set) {
    Host::StreamHandle* s = streamRecord(stream);
    host().journal_.add("AEGP_SetDynamicStreamFlag " + (s ? std::to_string(s->index) : "unknown") + " " +
                        std::to_string(flag) + (set ? " set" : " clear") + (undoable ? " undoable" : ""));
    if (!s) return PF_Err_BAD_CALLBACK_PARAM;
    const AEGP_DynStreamFlags old = s->instance->streamFlags(s->index);
    s->instance->setStreamFlags(s->index, set ? (old | flag) : (old & ~flag));
    return 0;
  }

  // "QN Diagnostics Suite" 1.
  static void writeDiagnostic(const A_char* text) {
    if (const Host* h = activeHost; h && h->diagnostics_ && text) h->diagnostics_(text);
  }
  static std::string diagnosticsKey() { return suiteKey(QN_DiagnosticsSuite1::suiteName, QN_DiagnosticsSuite1::suiteVersion); }

  static const void* suiteTable(const std::string& key) {
    static const PF_ANSICallbacksSuite1 ansi{ansiSprintf};
    static const PF_HandleSuite2 handles{newHandle, lockHandle, unlockHandle, disposeHandle};
    static const PF_ParamUtilsSuite3 paramUtils{updateParamUI};
    static const AEGP_PFInterfaceSuite1 pfInterface{getNewEffectForEffect};
    static const AEGP_EffectSuite2 effects{disposeEffect};
    static const AEGP_StreamSuite7 streams{getNewEffectStreamByIndex, disposeStream};
    static const AEGP_DynamicStreamSuite2 dynamicStreams{getDynamicStreamFlags, setDynamicStreamFlag};
    static const QN_DiagnosticsSuite1 diagnostics{writeDiagnostic};
    static const std::map<std::string, const void*> tables = {
        {suiteKey(ansi.suiteName, ansi.suiteVersion), &ansi},
        {suiteKey(handles.suiteName, handles.suiteVersion), &handles},
        {suiteKey(paramUtils.suiteName, paramUtils.suiteVersion), &paramUtils},
        {suiteKey(pfInterface.suiteName, pfInterface.suiteVersion), &pfInterface},
        {suiteKey(effects.suiteName, effects.suiteVersion), &effects},
        {suiteKey(streams.suiteName, streams.suiteVersion), &streams},
        {suiteKey(dynamicStreams.suiteName, dynamicStreams.suiteVersion), &dynamicStreams},
        {diagnosticsKey(), &diagnostics},
    };
    auto it = tables.find(key);
    return it == tables.end() ? nullptr : it->second;
  }
};

namespace {

PF_UtilCallbacks utilCallbacks{HostCallbacks::strcpyCallback, HostCallbacks::getPixelData8};
SPBasicSuite basicSuite{HostCallbacks::acquireSuite, HostCallbacks::releaseSuite};

}  // namespace

Host::Host(const std::string& modulePath) : module_(modulePath) {
  if (activeHost) throw HostError("only one substitute host may exist at a time");
  activeHost = this;
}

Host::~Host() { activeHost = nullptr; }

PF_Err Host::send(PF_Cmd cmd, EffectInstance* instance, void* extra) {
  return dispatch(cmd, instance, extra, FrameTime{}, FrameContext{}, nullptr, nullptr);
}

PF_Err Host::dispatch(PF_Cmd cmd, EffectInstance* instance, void* extra, const FrameTime& time,
                      const FrameContext& frame, PF_LayerDef* input, PF_LayerDef* output) {
  setOpenGLPlatformRefusal(module_.library(), faults_.openGLPlatformRefuses);
  PF_InData in{};
  in.inter = {HostCallbacks::checkoutParam, HostCallbacks::checkinParam, HostCallbacks::addParam};
  in.utils = &utilCallbacks;
  in.effect_ref = instance ? reinterpret_cast<PF_ProgPtr>(instance) : declarationRef();
  in.current_time = time.time;
  in.time_step = time.timeStep;
  in.time_scale = time.timeScale;
  in.downsample_x = {1, time.downsample};
  in.downsample_y = {1, time.downsample};
  in.pica_basicP = &basicSuite;

  // Each command has a parameter list of its own, as renders may overlap.
  std::vector<PF_ParamDef> values;
  std::vector<PF_ParamDef*> params;
  if (instance) {
    values = instance->paramsFor(frame);
    if (input) values[0].u.ld = *input;
    for (PF_ParamDef& value : values) params.push_back(&value);
  }
  struct CommandFrame {
    explicit CommandFrame(const FrameContext& frame) : previous(commandFrame) { commandFrame = &frame; }
    ~CommandFrame() { commandFrame = previous; }
    const FrameContext* previous;
  } current(frame);
  return module_.entryPoint()(cmd, &in, &outData_, instance ? params.data() : nullptr, output, extra);
}

PF_Err Host::about() { return send(PF_Cmd_ABOUT); }
PF_Err Host::globalSetup() { return send(PF_Cmd_GLOBAL_SETUP); }
PF_Err Host::globalSetdown() { return send(PF_Cmd_GLOBAL_SETDOWN); }

PF_Err Host::paramsSetup() {
  declared_.assign(1, DeclaredParam::inputLayer());
  const PF_Err err = send(PF_Cmd_PARAMS_SETUP);
  if (err == PF_Err_NONE && PF_ParamIndex(declared_.size()) != outData_.num_params) {
    throw HostError("the effect declared " + std::to_string(declared_.size()) +
                    " parameters but reported " + std::to_string(outData_.num_params));
  }
  return err;
}

PF_Err Host::userChangedParam(EffectInstance& instance, PF_ParamIndex index) {
  PF_UserChangedParamExtra extra{index};
  return send(PF_Cmd_USER_CHANGED_PARAM, &instance, &extra);
}

PF_Err Host::updateParamsUI(EffectInstance& instance) {
  return send(PF_Cmd_UPDATE_PARAMS_UI, &instance);
}

PF_Err Host::render(EffectInstance& instance, World& input, World& output, const FrameTime& time) {
  if (time.downsample == 0 || time.timeScale == 0) throw HostError("a frame needs a downsample factor and time scale of at least 1");
  FrameContext frame;
  frame.seconds = time.seconds();
  frame.layerWidth = input.width() * A_long(time.downsample);
  frame.layerHeight = input.height() * A_long(time.downsample);
  frame.downsample = time.downsample;
  return dispatch(PF_Cmd_RENDER, &instance, nullptr, time, frame, &input.layer(), &output.layer());
}

EffectInstance& Host::newInstance() {
  if (declared_.size() <= 1) throw HostError("the effect has declared no parameters yet");
  instances_.push_back(std::make_unique<EffectInstance>(declared_));
  return *instances_.back();
}

std::string Host::failureMessage(const std::string& what, PF_Err err) const {
  std::string reason(outData_.return_msg, strnlen(outData_.return_msg, sizeof outData_.return_msg));
  for (char& c : reason) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  std::string message = "the effect failed " + what + " with error " + std::to_string(err);
  if (reason.find_first_not_of(' ') != std::string::npos) message += ": " + reason;
  return message;
}

void Host::dropInstance(const EffectInstance& instance) {
  instances_.erase(std::remove_if(instances_.begin(), instances_.end(),
                                  [&](const std::unique_ptr<EffectInstance>& held) { return held.get() == &instance; }),
                   instances_.end());
}

PF_ParamIndex Host::findParam(const std::string& name) const {
  for (std::size_t i = 1; i < declared_.size(); ++i) {
    if (declared_[i].name() == name) return PF_ParamIndex(i);
  }
  return -1;
}

EffectInstance* Host::instanceFor(PF_ProgPtr effect_ref) {
  for (const auto& instance : instances_) {
    if (reinterpret_cast<PF_ProgPtr>(instance.get()) == effect_ref) return instance.get();
  }
  return nullptr;
}

std::size_t Host::liveSuites() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t live = 0;
  for (const auto& entry : acquiredSuites_) live += std::size_t(entry.second);
  return live;
}

std::size_t Host::liveMemoryHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return memoryHandles_.size();
}

std::size_t Host::liveEffectHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return effectHandles_.size();
}

std::size_t Host::liveStreamHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return streamHandles_.size();
}

}  // namespace minihost
