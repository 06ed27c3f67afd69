// How the host shows a declared control: its type, default, ranges and choices as text.
#pragma once

#include <string>
#include <vector>

#include "DeclaredParam.h"

namespace minihost {

std::string typeName(PF_ParamType type);
std::vector<std::string> popupChoices(const DeclaredParam& param);
// The default in the units the control shows ("40%", "Circle", "50%, 50%", "#000000").
std::string formatDefault(const DeclaredParam& param);
// "0 to 2000"; empty for controls without a numeric range.
std::string formatValidRange(const DeclaredParam& param);
std::string formatSliderRange(const DeclaredParam& param);

}  // namespace minihost
