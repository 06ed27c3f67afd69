#include "ControlDisplay.h"

#include <cstdio>

namespace minihost {
namespace {

std::string number(double value, int decimals, bool percent) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f%s", decimals, value, percent ? "%" : "");
  return text;
}

std::string floatNumber(const PF_FloatSliderDef& fs, double value) {
  return number(value, fs.precision, fs.display_flags & PF_ValueDisplayFlag_PERCENT);
}

std::string range(const std::string& from, const std::string& to) { return from + " to " + to; }

double fromFixed(PF_Fixed value) { return value / 65536.0; }

std::string hexColor(const PF_Pixel& p) {
  char text[32];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", p.red, p.green, p.blue);
  return p.alpha == 255 ? text : std::string(text) + " alpha " + std::to_string(p.alpha);
}

}  // namespace

std::string typeName(PF_ParamType type) {
  switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_POPUP: return "popup";
    case PF_Param_POINT: return "point";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "color";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "group end";
    default: return "type " + std::to_string(type);
  }
}

std::vector<std::string> popupChoices(const DeclaredParam& param) {
  std::vector<std::string> choices;
  if (param.type() != PF_Param_POPUP) return choices;
  std::string current;
  for (char c : param.text().value_or("")) {
    if (c == '|') {
      choices.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  choices.push_back(current);
  return choices;
}

std::string formatDefault(const DeclaredParam& param) {
  const PF_ParamDefUnion& u = param.raw().u;
  switch (param.type()) {
    case PF_Param_SLIDER: return std::to_string(u.sd.dephault);
    case PF_Param_FLOAT_SLIDER: return floatNumber(u.fs_d, u.fs_d.dephault);
    case PF_Param_POPUP: {
      const auto choices = popupChoices(param);
      const auto value = std::size_t(u.pd.dephault);
      return value >= 1 && value <= choices.size() ? choices[value - 1] : std::to_string(value);
    }
    case PF_Param_POINT:
      return number(fromFixed(u.td.x_dephault), 0, true) + "," + number(fromFixed(u.td.y_dephault), 0, true);
    case PF_Param_ANGLE: return number(fromFixed(u.ad.dephault), 1, false) + " deg";
    case PF_Param_CHECKBOX: return u.bd.dephault ? "on" : "off";
    case PF_Param_COLOR: return hexColor(u.cd.dephault);
    default: return "";
  }
}

std::string formatValidRange(const DeclaredParam& param) {
  const PF_ParamDefUnion& u = param.raw().u;
  switch (param.type()) {
    case PF_Param_SLIDER: return range(std::to_string(u.sd.valid_min), std::to_string(u.sd.valid_max));
    case PF_Param_FLOAT_SLIDER:
      return range(floatNumber(u.fs_d, u.fs_d.valid_min), floatNumber(u.fs_d, u.fs_d.valid_max));
    case PF_Param_POPUP: return range("1", std::to_string(u.pd.num_choices));
    default: return "";
  }
}

std::string formatSliderRange(const DeclaredParam& param) {
  const PF_ParamDefUnion& u = param.raw().u;
  switch (param.type()) {
    case PF_Param_SLIDER: return range(std::to_string(u.sd.slider_min), std::to_string(u.sd.slider_max));
    case PF_Param_FLOAT_SLIDER:
      return range(floatNumber(u.fs_d, u.fs_d.slider_min), floatNumber(u.fs_d, u.fs_d.slider_max));
    default: return "";
  }
}

}  // namespace minihost
