#pragma once

#include <string>

namespace vantrel {

// The effect module to load: the one given, else $VANTREL_MODULE, else the module beside
// the vantrel executable (QNVantrel.so; QNVantrel.aex on Windows).
std::string resolveModulePath(const std::string& given);

}  // namespace vantrel
