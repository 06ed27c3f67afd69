// The module's one export. Dispatches the host's command selectors and makes sure no
// exception ever crosses into the host.
#include <cstdio>
#include <exception>
#include <new>

#include "AESDK_OpenGL_Fault.h"
#include "Commands.h"
#include "Diagnostics.h"
#include "ThreadContexts.h"
#include "WindowSystem.h"

namespace Quillon::Vantrel {
namespace {

PF_Err dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                PF_LayerDef* output, void* extra) {
  // Compared as unsigned: a negative selector is just another unknown one.
  switch (static_cast<A_u_long>(cmd)) {
    case PF_Cmd_ABOUT: return About(in_data, out_data);
    case PF_Cmd_GLOBAL_SETUP: {
      const std::lock_guard<std::recursive_mutex> lock(renderMutex);  // it makes a context too
      const DiagnosticsTarget diagnostics(in_data);
      return GlobalSetup(out_data);
    }
    case PF_Cmd_GLOBAL_SETDOWN: return GlobalSetdown();
    case PF_Cmd_PARAMS_SETUP: return ParamsSetup(in_data, out_data);
    case PF_Cmd_RENDER: {
      const std::lock_guard<std::recursive_mutex> lock(renderMutex);
      const DiagnosticsTarget diagnostics(in_data);
      return Render(in_data, params, output);
    }
    case PF_Cmd_USER_CHANGED_PARAM:
      return UserChangedParam(in_data, params, static_cast<PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParamsUI(in_data, params);
    default: return PF_Err_NONE;
  }
}

// Leaves a one-line reason a person can act on where the host shows command messages.
void reportReason(PF_OutData* out_data, const char* reason, const char* detail = "") {
  if (out_data) std::snprintf(out_data->return_msg, sizeof out_data->return_msg, "%s: %s%s",
                              "QN Vantrel", reason, detail);
}

}  // namespace
}  // namespace Quillon::Vantrel

DllExport PF_Err EntryPointFunc(
    PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
    PF_LayerDef* output, void* extra) {
  using namespace Quillon::Vantrel;
  try {
    return dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (A_long) {
    // A host failure inside a handler; the code itself is not passed on.
    return PF_Err_BAD_CALLBACK_PARAM;
  } catch (const AESDK_OpenGL_Fault&) {
    reportReason(out_data, "cannot create an OpenGL 3.3 context: no usable GPU driver for ", kWindowSystemName);
    return PF_Err_BAD_CALLBACK_PARAM;
  } catch (const std::bad_alloc&) {
    reportReason(out_data, "out of memory");
    return PF_Err_OUT_OF_MEMORY;
  } catch (const std::exception& e) {
    reportReason(out_data, e.what());
    return PF_Err_BAD_CALLBACK_PARAM;
  } catch (...) {
    reportReason(out_data, "unexpected internal failure");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
}
