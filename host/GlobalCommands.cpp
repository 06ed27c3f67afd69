#include "Commands.h"
#include "EffectIdentity.h"

namespace Quillon::Vantrel {

PF_Err GlobalSetup(PF_OutData* out_data) {
  // Written first, so the host has them even if anything later fails.
  out_data->my_version = kPackedVersion;
  out_data->out_flags = kGlobalOutFlags;
  out_data->out_flags2 = kGlobalOutFlags2;
  return PF_Err_NONE;
}

PF_Err GlobalSetdown() { return PF_Err_NONE; }

PF_Err Render(const PF_InData*, PF_ParamList, PF_LayerDef*) { return PF_Err_NONE; }

}  // namespace Quillon::Vantrel
