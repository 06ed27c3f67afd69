#pragma once

#include "AE_Effect.h"
#include "RenderRecord.h"

namespace Quillon::Vantrel {

// Reads every parameter at the frame's time into the record, in drawing units. A
// checkout that fails stops the later ones; their fields take the cleared record's
// values. A changed shape type drops the cached program.
void takeParameterSnapshot(RenderRecord& record, const PF_InData& in_data);

}  // namespace Quillon::Vantrel
