// The PiPL bytes in a section named ".pipl". The Linux module carries the section, where
// the host looks for it; the Windows build compiles this file alone and takes the
// section's bytes for its "PIPL" resource, so both come from the one description.
#include "PiplDescription.h"

namespace Quillon::Vantrel::Pipl {
[[gnu::section(".pipl"), gnu::used]] static const auto kSectionBytes = kBytes;
}
