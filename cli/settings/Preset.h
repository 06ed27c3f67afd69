// Presets: a JSON file of control settings, read with `--preset` and written with
// `--save-preset`.
//
// The file is one object mapping a control's display name (letter case may differ) to
// its value, or to its keys as a list of [time, value] pairs:
//   {
//     "Shape Type": "Ring",
//     "Shape Size 1": [[0, 0], ["48f", 300]],
//     "Shape Center": [640, 360],
//     "Shadow Color": "#FF8000",
//     "Transparent Background": true
//   }
// A value is a number (sliders, angles in degrees, a popup's choice number), a string
// (a popup's choice, a colour "#RRGGBB", or any text --set takes), true or false for a
// checkbox, or [x, y] in layer pixels for a point. A time is a number of seconds or a
// string "2s" or "48f". Values are checked exactly as --set checks them.
#pragma once

#include <string>

#include "Host.h"

namespace vantrel {

// Reads the preset at `path` and stores its settings in `instance`, frames counted at
// `fps`. Controls the file leaves out keep their values. Checks every setting before it
// stores any. Throws std::runtime_error with a one-line reason naming the file and, for
// a bad setting, the control.
void loadPreset(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& path, double fps);

// Writes every control of `instance` that takes a value, in declaration order, as its
// constant value or its keys (times in seconds), in the units the control shows. A point
// still at its default is left out: it follows the layer's size, which a preset does
// not know. The file is replaced only once complete. Throws std::runtime_error.
void savePreset(const minihost::Host& host, const minihost::EffectInstance& instance, const std::string& path);

}  // namespace vantrel
