// Shows the shadow or the stroke controls according to "Edge Type"; the other three are
// hidden through the host's dynamic stream flags.
#include "Commands.h"
#include "ParamIndex.h"
#include "SuiteScope.h"

namespace Quillon::Vantrel {
namespace {

constexpr AEGP_PluginID kPluginId = 0;

void applyEdgeTypeVisibility(const PF_InData& in_data, PF_ParamList params) {
  // Acquired in this order, released in reverse as the scope closes.
  AcquiredSuite<PF_ParamUtilsSuite3> paramUtils(in_data);
  AcquiredSuite<AEGP_EffectSuite2> effects(in_data);
  AcquiredSuite<AEGP_PFInterfaceSuite1> pfInterface(in_data);
  AcquiredSuite<AEGP_DynamicStreamSuite2> dynamicStreams(in_data);
  AcquiredSuite<AEGP_StreamSuite7> streams(in_data);

  // The host's results are not examined: a control whose stream cannot be had keeps the
  // visibility it has, and the rest still get their turn.
  AEGP_EffectRefH effect = nullptr;
  pfInterface->AEGP_GetNewEffectForEffect(kPluginId, in_data.effect_ref, &effect);

  const bool shadow = params[kEdgeType]->u.pd.value == kEdgeShadow;
  for (PF_ParamIndex index = kShadowSize; index <= kStrokeOpacity; ++index) {
    AEGP_StreamRefH stream = nullptr;
    streams->AEGP_GetNewEffectStreamByIndex(kPluginId, effect, index, &stream);

    AEGP_DynStreamFlags flags = 0;
    dynamicStreams->AEGP_GetDynamicStreamFlags(stream, &flags);
    const bool isShadowControl = index <= kShadowOpacity;
    const bool hide = isShadowControl != shadow;
    const bool hidden = (flags & AEGP_DynStreamFlag_HIDDEN) != 0;
    if (hidden != hide) {
      dynamicStreams->AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, false, hide);
    }
    streams->AEGP_DisposeStream(stream);
    paramUtils->PF_UpdateParamUI(in_data.effect_ref, index, params[index]);
  }
  effects->AEGP_DisposeEffect(effect);
}

}  // namespace

PF_Err UserChangedParam(const PF_InData* in_data, PF_ParamList params,
                        const PF_UserChangedParamExtra* extra) {
  if (extra->param_index == kEdgeType) applyEdgeTypeVisibility(*in_data, params);
  return PF_Err_NONE;
}

PF_Err UpdateParamsUI(const PF_InData* in_data, PF_ParamList params) {
  applyEdgeTypeVisibility(*in_data, params);
  return PF_Err_NONE;
}

}  // namespace Quillon::Vantrel
