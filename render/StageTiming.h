// Marks between the stages of a frame. The shipped module links marks that do nothing;
// the benchmark's build of the module finishes the GPU's work at each mark and times
// the stage that ended there.
#pragma once

namespace Quillon::Vantrel {

enum class FrameStage { Start, Upload, Draw, Convert, Readback, Count };

void markStage(FrameStage ended);

}  // namespace Quillon::Vantrel
