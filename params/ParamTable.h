// The 27 declared controls, one row each. Declaring them to the host walks this table.
#pragma once

#include <cstddef>

#include "ParamIndex.h"

namespace Quillon::Vantrel {

struct ParamRow {
  const char* name;  // display name; null for a group end
  PF_ParamType type;
  A_long id;
  // Default: popup choice, slider value, float value, point percentage of the layer
  // (both axes), angle in degrees, checkbox 0 or 1, colour as 0xAARRGGBB.
  double dflt;
  double validMin, validMax;  // sliders only; a popup's range is its choices
  double sliderMin, sliderMax;
  A_short precision;  // decimal places shown by a float slider
  PF_ValueDisplayFlags displayFlags;
  const char* choices;  // popup choices separated by '|'; checkbox label
  PF_ParamUIFlags uiFlags;
  PF_ParamFlags flags;
};

constexpr std::size_t kDeclaredParamCount = kParamCount - 1;
extern const ParamRow kParamTable[kDeclaredParamCount];

// The number of '|'-separated choices of a popup row.
A_short popupChoiceCount(const ParamRow& row);

}  // namespace Quillon::Vantrel
