// The effect's controls as frei0r parameters, read from the host's declared table: a
// popup is a string (its choice), a checkbox a bool, a colour a colour, the point a
// position across the frame, and sliders and angles doubles over 0..1.
#pragma once

#include <string>
#include <vector>

#include "Host.h"

namespace vantrel_frei0r {

struct Control {
  PF_ParamIndex index = 0;  // in the host's table
  int type = 0;             // F0R_PARAM_*
  std::string name;
  std::string explanation;
  double low = 0, high = 1;  // a double's host value at 0 and at 1
  std::vector<std::string> choices;
};

// What an instance holds for one control, as frei0r sees it: a number, a colour (r, g,
// b), a position (x, y), or a popup's choice by name.
struct Value {
  double v[3] = {0, 0, 0};
  std::string text;
};

// Every control that takes a value, in the host's order.
std::vector<Control> controlsOf(const minihost::Host& host);

// The control's default, in frei0r terms.
Value defaultOf(const Control& control, const minihost::DeclaredParam& param);

// Stores a value handed over by the application, clamped to the parameter's range.
// Returns false, leaving `value` alone, for a choice that is not one of the popup's or
// a number that is not a number.
bool assign(const Control& control, const void* param, Value& value);
// Hands the value back the way the application passes it in.
void fetch(const Control& control, const Value& value, void* param);

// The host's value for a control: a point is in percent of the layer's size.
minihost::ParamValue hostValue(const Control& control, const Value& value);

}  // namespace vantrel_frei0r
