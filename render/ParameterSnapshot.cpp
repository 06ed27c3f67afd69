#include "ParameterSnapshot.h"

#include <cstring>

#include "ParamIndex.h"

namespace Quillon::Vantrel {
namespace {

void storeColor(double (&color)[4], const PF_Pixel& p) {
  color[0] = p.red / 255.0;
  color[1] = p.green / 255.0;
  color[2] = p.blue / 255.0;
  color[3] = p.alpha / 255.0;
}

// One parameter's value into its field. `den` is the horizontal downsample denominator.
void store(RenderRecord& r, PF_ParamIndex index, const PF_ParamDefUnion& u, float den) {
  const double pixels = den;
  switch (index) {
    case kShapeSize1: r.shapeSize1 = float(u.sd.value) / den; break;
    case kShapeSize2: r.shapeSize2 = float(u.sd.value) / den; break;
    case kShapeCenter:
      // The floor of the 16.16 value: whole layer pixels, not rescaled.
      r.center[0] = double(u.td.x_value >> 16);
      r.center[1] = double(u.td.y_value >> 16);
      break;
    case kShapeRotation: r.shapeRotation = float(u.ad.value * 1.52587890625e-5); break;
    case kFillType: r.fillOutside = u.pd.value == kFillOutside; break;
    case kTransparentBackground: r.transparentBackground = u.bd.value != 0; break;
    case kEdgeType: r.edgeIsShadow = u.pd.value == kEdgeShadow; break;
    case kShadowSize: r.shadowSize = float(u.sd.value) / den; break;
    case kShadowColor: storeColor(r.shadowColor, u.cd.value); break;
    case kShadowOpacity: r.shadowOpacity = float(u.fs_d.value / 100.0); break;
    case kStrokeSize: r.strokeSize = float(u.sd.value) / den; break;
    case kStrokeColor: storeColor(r.strokeColor, u.cd.value); break;
    case kStrokeOpacity: r.strokeOpacity = float(u.fs_d.value / 100.0); break;
    case kInstances: r.instances = u.sd.value; break;
    case kShapeSize1Offset: r.shapeSize1Offset = float(u.fs_d.value / pixels); break;
    case kShapeSize2Offset: r.shapeSize2Offset = float(u.fs_d.value / pixels); break;
    case kPositionXOffset: r.positionXOffset = float(u.fs_d.value / pixels); break;
    case kPositionYOffset: r.positionYOffset = float(u.fs_d.value / pixels); break;
    case kScaleXOffset: r.scaleXOffset = float(u.fs_d.value / 100.0); break;
    case kScaleYOffset: r.scaleYOffset = float(u.fs_d.value / 100.0); break;
    case kRotationOffset: r.rotationOffset = float(u.fs_d.value); break;
    case kOpacityOffset: r.opacityOffset = float(u.fs_d.value / 100.0); break;
    default: break;
  }
}

constexpr PF_ParamIndex kReadOrder[] = {
    kShapeType,      kShapeSize1,      kShapeSize2,       kShapeCenter,      kShapeRotation,
    kFillType,       kTransparentBackground, kEdgeType,   kShadowSize,       kShadowColor,
    kShadowOpacity,  kStrokeSize,      kStrokeColor,      kStrokeOpacity,    kInstances,
    kShapeSize1Offset, kShapeSize2Offset, kPositionXOffset, kPositionYOffset, kScaleXOffset,
    kScaleYOffset,   kRotationOffset,  kOpacityOffset,
};

}  // namespace

void takeParameterSnapshot(RenderRecord& record, const PF_InData& in_data) {
  const float den = float(in_data.downsample_x.den);
  PF_Err err = PF_Err_NONE;
  for (const PF_ParamIndex index : kReadOrder) {
    PF_ParamDef param;
    std::memset(&param, 0, sizeof param);
    if (err == PF_Err_NONE || index == kShapeType) {
      err = in_data.inter.checkout_param(in_data.effect_ref, index, in_data.current_time, in_data.time_step,
                                         in_data.time_scale, &param);
    }
    if (index != kShapeType) store(record, index, param.u, den);
    const PF_Err checkedIn = in_data.inter.checkin_param(in_data.effect_ref, &param);
    if (err == PF_Err_NONE) err = checkedIn;

    if (index == kShapeType && param.u.pd.value != record.shapeType) {
      record.shapeProgram.reset();
      record.shapeType = param.u.pd.value;
    }
  }
}

}  // namespace Quillon::Vantrel
