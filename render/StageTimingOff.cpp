#include "StageTiming.h"

namespace Quillon::Vantrel {

// Weak: the benchmark's build of the module links a definition that times the stages.
__attribute__((weak)) void markStage(FrameStage) {}

}  // namespace Quillon::Vantrel
