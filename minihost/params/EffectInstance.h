#pragma once

#include <array>
#include <optional>
#include <vector>

#include "AE_Suites.h"
#include "DeclaredParam.h"

namespace minihost {

// A control's value as the host stores it, in the units the control shows: a popup's
// choice, a slider's number, an angle in degrees, a point in layer pixels (x, y) or in
// percent of the layer's size, a colour as bytes (red, green, blue, alpha), a checkbox
// as 0 or 1.
using ParamValue = std::array<double, 4>;

struct Keyframe {
  double seconds;
  ParamValue value;
  // The frame the key was set at, where it was set by frame: it stays that frame, at
  // whatever rate the settings are used next.
  std::optional<long> frame = std::nullopt;
};

// What the host hands the effect for a frame: the time, and the layer it renders.
struct FrameContext {
  double seconds = 0;
  A_long layerWidth = 0;   // full-resolution layer size, for a point's default
  A_long layerHeight = 0;
  A_u_long downsample = 1;  // the frame is 1/downsample of the layer in each direction
};

// One application of the effect: its parameter values, constant or keyframed, and the
// dynamic stream flags the host keeps per control. Made by Host::newInstance.
class EffectInstance {
 public:
  explicit EffectInstance(const std::vector<DeclaredParam>& declared);
  EffectInstance(const EffectInstance&) = delete;
  EffectInstance& operator=(const EffectInstance&) = delete;

  std::size_t size() const { return declared_.size(); }
  const DeclaredParam& declared(PF_ParamIndex index) const { return declared_.at(std::size_t(index)); }

  // A constant value; drops the control's keyframes. A point `inPercent` is in percent
  // of the layer's size, and so follows the layer.
  void set(PF_ParamIndex index, const ParamValue& value, bool inPercent = false);
  // Keyframes, linear between keys and held outside them; popups and checkboxes hold
  // each key's value until the next.
  void setKeyframes(PF_ParamIndex index, std::vector<Keyframe> keys, bool inPercent = false);
  ParamValue valueAt(PF_ParamIndex index, double seconds) const;
  const std::vector<Keyframe>& keyframes(PF_ParamIndex index) const { return keys_.at(std::size_t(index)); }
  bool atDefault(PF_ParamIndex index) const { return atDefault_.at(std::size_t(index)); }
  // Whether a point is in percent of the layer's size, as its default is.
  bool inPercent(PF_ParamIndex index) const { return inPercent_.at(std::size_t(index)); }

  // The definition the effect checks out for a frame: the value in host units (16.16
  // degrees, a point in pixels of the downsampled frame, colour bytes).
  PF_ParamDef checkout(PF_ParamIndex index, const FrameContext& frame) const;
  // The parameters handed with one command, at the command's frame; index 0, the input
  // layer, is left for the caller to fill.
  std::vector<PF_ParamDef> paramsFor(const FrameContext& frame) const;

  AEGP_DynStreamFlags streamFlags(PF_ParamIndex index) const { return flags_.at(std::size_t(index)); }
  void setStreamFlags(PF_ParamIndex index, AEGP_DynStreamFlags flags) { flags_.at(std::size_t(index)) = flags; }
  bool hidden(PF_ParamIndex index) const { return (streamFlags(index) & AEGP_DynStreamFlag_HIDDEN) != 0; }

 private:
  const std::vector<DeclaredParam> declared_;  // own copy: definitions point into its texts
  std::vector<std::vector<Keyframe>> keys_;    // one key when constant
  std::vector<bool> atDefault_;
  std::vector<bool> inPercent_;
  std::vector<AEGP_DynStreamFlags> flags_;
};

// The default of a declared control as a stored value (a point's in percent).
ParamValue defaultValue(const DeclaredParam& param);

}  // namespace minihost
