#include <memory>

#include "AEOpenGLContext.h"
#include "Commands.h"
#include "ContextRestoreGuard.h"
#include "EffectIdentity.h"
#include "GlobalContext.h"

namespace Quillon::Vantrel {

std::unique_ptr<AEOpenGLContext> globalContext;

PF_Err GlobalSetup(PF_OutData* out_data) {
  // Written first, so the host has them even if making the context fails.
  out_data->my_version = kPackedVersion;
  out_data->out_flags = kGlobalOutFlags;
  out_data->out_flags2 = kGlobalOutFlags2;

  ContextRestoreGuard guard;
  globalContext = std::make_unique<AEOpenGLContext>(nullptr);
  return PF_Err_NONE;
}

PF_Err GlobalSetdown() {
  ContextRestoreGuard guard;
  if (globalContext) {
    globalContext->makeCurrent();
    globalContext.reset();
  }
  return PF_Err_NONE;
}

PF_Err Render(const PF_InData*, PF_ParamList, PF_LayerDef*) { return PF_Err_NONE; }

}  // namespace Quillon::Vantrel
