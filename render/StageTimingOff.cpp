#include "StageTiming.h"

namespace Quillon::Vantrel {

void markStage(FrameStage) {}

}  // namespace Quillon::Vantrel
