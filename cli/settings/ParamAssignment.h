// `--set "NAME=VALUE"`: a control named as the effect declares it, and a value in the
// units the control shows, constant or keyframed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Host.h"

namespace vantrel {

// What one setting stores in an instance: a control and its keys, ordered by time, with
// no two at one time. A single key holds its value at every time.
struct ParamSetting {
  PF_ParamIndex index;
  std::vector<minihost::Keyframe> keys;
  bool inPercent = false;  // a point given in percent of the layer's size
};

// Parses "NAME=VALUE" against the host's declared controls. NAME is a display name
// ("Shadow Opacity"; letter case may differ). VALUE is a constant, or keys
// "VALUE@TIME;VALUE@TIME;..." in any order, linear between them (popups and checkboxes
// hold each key's value until the next) and held before the first and after the last.
// TIME is seconds ("2s", "1.5s") or frames ("48f", whole, at `fps`), 0 or later.
// Each VALUE is, by the control's type:
//   popup        a choice ("Ring", any letter case) or its number (1 is the first)
//   slider       a number within the valid range; whole for an integer slider; a
//                percent slider takes percent ("40" or "40%")
//   angle        degrees ("45", "45deg")
//   point        "X,Y" in layer pixels, or "X%,Y%" of the layer's size
//   checkbox     on/off, true/false, yes/no, 1/0
//   colour       "#RRGGBB", opaque
// Throws std::runtime_error with a one-line reason: an unknown name (with the nearest
// real one when it is close), a value of the wrong form or outside the control's valid
// range (the range is named), a malformed time, or two keys at one time.
ParamSetting parseParamSetting(const minihost::Host& host, const std::string& text, double fps = 24);

// Stores the setting in `instance`: a constant for a single key, keyframes otherwise.
// Replaces whatever the control held, so a later setting overrides an earlier one.
void applyParamSetting(minihost::EffectInstance& instance, const ParamSetting& setting);

// Parses "NAME=VALUE" and stores it in `instance`.
void applyParamAssignment(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& text,
                          double fps = 24);

// The pieces parseParamSetting is made of, for settings read from elsewhere (presets),
// so that every source is checked alike.

// The index of the control with this display name (letter case may differ). Throws
// std::runtime_error naming the nearest real control when one is close.
PF_ParamIndex findControl(const minihost::Host& host, const std::string& name);

// Whether a control of this type holds a value: not a group marker, not the layer.
bool takesValue(PF_ParamType type);

// Throws std::runtime_error unless `fps` is a frame rate above 0.
void checkFrameRate(double fps);

// One key as text: a value in the form VALUE takes above, and its time in the form TIME
// takes; no time for a constant.
struct KeyText {
  std::string value;
  std::optional<std::string> time;
};

// Whether a point's keys are in percent ("50%,50%"); throws std::runtime_error when some
// are and some are not.
bool pointInPercent(const minihost::DeclaredParam& param, const std::vector<KeyText>& keys);

// Checks each key against `param` and orders them by time. Throws std::runtime_error
// with a phrase that reads after the control's name ("takes 0 to 2000, not \"3000\"",
// "has two keys at 2s"); the caller puts the name, and where it came from, in front.
// `fps` must have passed checkFrameRate.
std::vector<minihost::Keyframe> parseKeys(const minihost::DeclaredParam& param, const std::vector<KeyText>& keys,
                                          double fps);

}  // namespace vantrel
