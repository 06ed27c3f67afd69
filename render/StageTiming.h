// Marks between the stages of a frame. In the shipped module they do nothing; the
// benchmark's build of the module replaces them with marks that finish the GPU's work
// and time the stage that ended there.
#pragma once

namespace Quillon::Vantrel {

enum class FrameStage { Start, Upload, Draw, Convert, Readback, Count };

void markStage(FrameStage ended);

}  // namespace Quillon::Vantrel
