// The PiPL bytes, carried in the module where the host looks for them: an ELF section
// named ".pipl" on Linux.
#include "PiplDescription.h"

#if defined(__linux__)
namespace Quillon::Vantrel::Pipl {
[[gnu::section(".pipl"), gnu::used]] static const auto kSectionBytes = kBytes;
}
#endif
