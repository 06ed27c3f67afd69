// Declares the controls to the host, walking the parameter table.
#include <cstring>

#include "Commands.h"
#include "ParamTable.h"

namespace Quillon::Vantrel {
namespace {

PF_Fixed toFixed(double value) { return PF_Fixed(value * 65536.0); }

PF_Pixel unpackColor(double argb) {
  const auto packed = A_u_long(argb);
  return PF_Pixel{A_u_char(packed >> 24), A_u_char(packed >> 16), A_u_char(packed >> 8),
                  A_u_char(packed)};
}

// Fills the type-specific part; every control's current value equals its default.
void describeValue(const ParamRow& row, PF_ParamDefUnion& u) {
  switch (row.type) {
    case PF_Param_POPUP:
      u.pd.value = A_long(row.dflt);
      u.pd.num_choices = popupChoiceCount(row);
      u.pd.dephault = A_short(row.dflt);
      u.pd.namesptr = row.choices;
      break;
    case PF_Param_SLIDER:
      u.sd.value = A_long(row.dflt);
      u.sd.value_str[0] = '\0';
      u.sd.value_desc[0] = '\0';
      u.sd.valid_min = A_long(row.validMin);
      u.sd.valid_max = A_long(row.validMax);
      u.sd.slider_min = A_long(row.sliderMin);
      u.sd.slider_max = A_long(row.sliderMax);
      u.sd.dephault = A_long(row.dflt);
      break;
    case PF_Param_FLOAT_SLIDER:
      u.fs_d.value = row.dflt;
      u.fs_d.phase = 0;
      u.fs_d.valid_min = PF_FpShort(row.validMin);
      u.fs_d.valid_max = PF_FpShort(row.validMax);
      u.fs_d.slider_min = PF_FpShort(row.sliderMin);
      u.fs_d.slider_max = PF_FpShort(row.sliderMax);
      u.fs_d.dephault = PF_FpShort(row.dflt);
      u.fs_d.precision = row.precision;
      u.fs_d.display_flags = row.displayFlags;
      u.fs_d.fs_flags = 0;
      u.fs_d.curve_tolerance = 0.05f;
      u.fs_d.exponent = 0;
      break;
    case PF_Param_POINT:
      u.td.x_value = u.td.x_dephault = toFixed(row.dflt);
      u.td.y_value = u.td.y_dephault = toFixed(row.dflt);
      u.td.restrict_bounds = 0;
      break;
    case PF_Param_ANGLE:
      u.ad.value = u.ad.dephault = toFixed(row.dflt);
      break;
    case PF_Param_CHECKBOX:
      u.bd.value = u.bd.dephault = A_long(row.dflt);
      u.bd.nameptr = row.choices;
      break;
    case PF_Param_COLOR:
      u.cd.value = u.cd.dephault = unpackColor(row.dflt);
      break;
    default:  // group start and end carry no value
      break;
  }
}

}  // namespace

PF_Err ParamsSetup(const PF_InData* in_data, PF_OutData* out_data) {
  out_data->num_params = kParamCount;

  // One record, cleared and reused for every control; the host copies it in add_param.
  PF_ParamDef def;
  for (const ParamRow& row : kParamTable) {
    std::memset(&def, 0, sizeof def);
    def.param_type = row.type;
    if (row.name) in_data->utils->strcpy(def.name, row.name);
    def.ui_flags = row.uiFlags;
    def.flags = row.flags;
    describeValue(row, def.u);
    def.id = row.id;
    if (const PF_Err err = in_data->inter.add_param(in_data->effect_ref, PF_ParamIndex_APPEND, &def)) {
      return err;
    }
  }
  return PF_Err_NONE;
}

}  // namespace Quillon::Vantrel
