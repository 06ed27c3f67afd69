#pragma once

#include <string>

namespace vantrel {

// The effect module to load: the one given, else $VANTREL_MODULE, else QNVantrel.so
// beside the vantrel executable.
std::string resolveModulePath(const std::string& given);

}  // namespace vantrel
