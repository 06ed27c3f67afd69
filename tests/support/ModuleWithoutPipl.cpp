// Exports an entry point but carries no PiPL.
#include "AE_Effect.h"

DllExport PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamList, PF_LayerDef*, void*) {
  return PF_Err_NONE;
}
