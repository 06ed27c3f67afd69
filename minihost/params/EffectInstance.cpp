#include "EffectInstance.h"

#include <algorithm>
#include <cmath>

#include "HostError.h"

namespace minihost {
namespace {

double fromFixed(PF_Fixed value) { return value / 65536.0; }
PF_Fixed toFixed(double value) { return PF_Fixed(std::lround(value * 65536.0)); }
A_u_char toByte(double value) { return A_u_char(std::lround(std::clamp(value, 0.0, 255.0))); }

bool holdsBetweenKeys(PF_ParamType type) { return type == PF_Param_POPUP || type == PF_Param_CHECKBOX; }

}  // namespace

ParamValue defaultValue(const DeclaredParam& param) {
  const PF_ParamDefUnion& u = param.raw().u;
  switch (param.type()) {
    case PF_Param_POPUP: return {double(u.pd.dephault)};
    case PF_Param_SLIDER: return {double(u.sd.dephault)};
    case PF_Param_FLOAT_SLIDER: return {double(u.fs_d.dephault)};
    case PF_Param_ANGLE: return {fromFixed(u.ad.dephault)};
    case PF_Param_CHECKBOX: return {double(u.bd.dephault)};
    case PF_Param_POINT: return {fromFixed(u.td.x_dephault), fromFixed(u.td.y_dephault)};
    case PF_Param_COLOR:
      return {double(u.cd.dephault.red), double(u.cd.dephault.green), double(u.cd.dephault.blue),
              double(u.cd.dephault.alpha)};
    default: return {};
  }
}

EffectInstance::EffectInstance(const std::vector<DeclaredParam>& declared) : declared_(declared) {
  for (const DeclaredParam& param : declared_) {
    keys_.push_back({{0.0, defaultValue(param)}});
    atDefault_.push_back(true);
    inPercent_.push_back(param.type() == PF_Param_POINT);
    flags_.push_back(param.startsHidden() ? AEGP_DynStreamFlag_HIDDEN : 0);
  }
}

void EffectInstance::set(PF_ParamIndex index, const ParamValue& value, bool inPercent) {
  setKeyframes(index, {{0.0, value}}, inPercent);
}

void EffectInstance::setKeyframes(PF_ParamIndex index, std::vector<Keyframe> keys, bool inPercent) {
  if (keys.empty()) throw HostError("a control needs at least one value");
  std::stable_sort(keys.begin(), keys.end(), [](const Keyframe& a, const Keyframe& b) { return a.seconds < b.seconds; });
  keys_.at(std::size_t(index)) = std::move(keys);
  atDefault_.at(std::size_t(index)) = false;
  inPercent_.at(std::size_t(index)) = inPercent && declared(index).type() == PF_Param_POINT;
}

ParamValue EffectInstance::valueAt(PF_ParamIndex index, double seconds) const {
  const std::vector<Keyframe>& keys = keys_.at(std::size_t(index));
  if (seconds <= keys.front().seconds) return keys.front().value;
  if (seconds >= keys.back().seconds) return keys.back().value;
  const auto next = std::upper_bound(keys.begin(), keys.end(), seconds,
                                     [](double t, const Keyframe& key) { return t < key.seconds; });
  const Keyframe& a = *(next - 1);
  const Keyframe& b = *next;
  if (holdsBetweenKeys(declared(index).type())) return a.value;
  const double t = (seconds - a.seconds) / (b.seconds - a.seconds);
  ParamValue value;
  for (std::size_t c = 0; c < value.size(); ++c) value[c] = a.value[c] + (b.value[c] - a.value[c]) * t;
  return value;
}

PF_ParamDef EffectInstance::checkout(PF_ParamIndex index, const FrameContext& frame) const {
  PF_ParamDef def = declared(index).definition();
  const ParamValue v = valueAt(index, frame.seconds);
  PF_ParamDefUnion& u = def.u;
  switch (def.param_type) {
    case PF_Param_POPUP: u.pd.value = A_long(std::lround(v[0])); break;
    case PF_Param_SLIDER: u.sd.value = A_long(std::lround(v[0])); break;
    case PF_Param_FLOAT_SLIDER: u.fs_d.value = v[0]; break;
    case PF_Param_ANGLE: u.ad.value = toFixed(v[0]); break;
    case PF_Param_CHECKBOX: u.bd.value = v[0] != 0; break;
    case PF_Param_COLOR: u.cd.value = PF_Pixel{toByte(v[3]), toByte(v[0]), toByte(v[1]), toByte(v[2])}; break;
    case PF_Param_POINT: {
      double x = v[0], y = v[1];
      if (inPercent(index)) {
        x = x / 100.0 * frame.layerWidth;
        y = y / 100.0 * frame.layerHeight;
      }
      u.td.x_value = toFixed(x / frame.downsample);
      u.td.y_value = toFixed(y / frame.downsample);
      break;
    }
    default: break;
  }
  return def;
}

std::vector<PF_ParamDef> EffectInstance::paramsFor(const FrameContext& frame) const {
  std::vector<PF_ParamDef> params{declared(0).definition()};
  for (std::size_t i = 1; i < size(); ++i) params.push_back(checkout(PF_ParamIndex(i), frame));
  return params;
}

}  // namespace minihost
