#include "Commands.h"
#include "EffectIdentity.h"
#include "SuiteScope.h"

namespace Quillon::Vantrel {

PF_Err About(const PF_InData* in_data, PF_OutData* out_data) {
  AcquiredSuite<PF_ANSICallbacksSuite1> ansi(*in_data);
  ansi->sprintf(out_data->return_msg, "%s v%d.%d\r%s", kEffectName, kMajorVersion,
                kMinorVersion, kEffectName);
  return PF_Err_NONE;
}

}  // namespace Quillon::Vantrel
