// The command handlers the entry point dispatches to. Each returns a host error code; a
// host failure inside a handler is thrown as a plain integer code.
#pragma once

#include "AE_Effect.h"

namespace Quillon::Vantrel {

PF_Err About(const PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_OutData* out_data);
PF_Err GlobalSetdown();
PF_Err ParamsSetup(const PF_InData* in_data, PF_OutData* out_data);
PF_Err Render(const PF_InData* in_data, PF_ParamList params, PF_LayerDef* output);
PF_Err UserChangedParam(const PF_InData* in_data, PF_ParamList params,
                        const PF_UserChangedParamExtra* extra);
PF_Err UpdateParamsUI(const PF_InData* in_data, PF_ParamList params);

}  // namespace Quillon::Vantrel
