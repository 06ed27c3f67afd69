#include <memory>

#include "AEOpenGLContext.h"
#include "Commands.h"
#include "ContextRestoreGuard.h"
#include "EffectIdentity.h"
#include "GlobalContext.h"
#include "OpenglRenderTarget.h"
#include "RenderRecord.h"
#include "ThreadContexts.h"

namespace Quillon::Vantrel {

AEOpenGLContext* globalContext = nullptr;

AEOpenGLContext& makeGlobalContext() {
  if (!globalContext) globalContext = new AEOpenGLContext(nullptr);
  return *globalContext;
}

PF_Err GlobalSetup(PF_OutData* out_data) {
  // Written first, so the host has them even if making the context fails.
  out_data->my_version = kPackedVersion;
  out_data->out_flags = kGlobalOutFlags;
  out_data->out_flags2 = kGlobalOutFlags2;

  ContextRestoreGuard guard;
  makeGlobalContext();
  return PF_Err_NONE;
}

PF_Err GlobalSetdown() {
  ContextRestoreGuard guard;
  if (!globalContext) return PF_Err_NONE;
  globalContext->makeCurrent();
  // Everything is made again on demand by a later global setup and render.
  OpenglRenderTarget::instance().releaseAll();
  releaseRenderRecord();
  releaseThreadContexts();
  delete globalContext;
  globalContext = nullptr;
  return PF_Err_NONE;
}

}  // namespace Quillon::Vantrel
