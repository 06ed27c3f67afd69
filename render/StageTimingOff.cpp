#include "StageTiming.h"

namespace Quillon::Vantrel {

// The shipped module's marks; the benchmark's build links StageTimingOn.cpp instead.
void markStage(FrameStage) {}

}  // namespace Quillon::Vantrel
