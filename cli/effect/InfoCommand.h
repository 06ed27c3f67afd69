#pragma once

#include <ostream>
#include <string>

namespace vantrel {

// Prints the effect's identity from its PiPL, its about text, and its controls as the
// host shows them. Returns the process exit code.
int runInfo(const std::string& modulePath, std::ostream& out);

}  // namespace vantrel
