#include "Controls.h"

extern "C" {
#include <frei0r.h>  // a C header without C++ guards
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "ControlDisplay.h"

namespace vantrel_frei0r {
namespace {

// An angle has no slider range of its own; one turn spans 0..1.
constexpr double kTurn = 360.0;

double unit(double value) { return std::clamp(value, 0.0, 1.0); }

bool sameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

}  // namespace

std::vector<Control> controlsOf(const minihost::Host& host) {
  std::vector<Control> controls;
  const std::vector<minihost::DeclaredParam>& params = host.params();
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    const PF_ParamDefUnion& u = param.raw().u;
    Control c;
    c.index = PF_ParamIndex(i);
    c.name = param.name();
    const std::string byDefault = " (default " + minihost::formatDefault(param) + ")";
    switch (param.type()) {
      case PF_Param_POPUP:
        c.type = F0R_PARAM_STRING;
        c.choices = minihost::popupChoices(param);
        c.explanation = "one of " + joined(c.choices) + byDefault;
        break;
      case PF_Param_CHECKBOX:
        c.type = F0R_PARAM_BOOL;
        c.explanation = "on or off" + byDefault;
        break;
      case PF_Param_COLOR:
        c.type = F0R_PARAM_COLOR;
        c.explanation = "opaque colour" + byDefault;
        break;
      case PF_Param_POINT:
        c.type = F0R_PARAM_POSITION;
        c.explanation = "0..1 across and down the frame" + byDefault;
        break;
      case PF_Param_SLIDER:
      case PF_Param_FLOAT_SLIDER:
        c.type = F0R_PARAM_DOUBLE;
        if (param.type() == PF_Param_SLIDER) {
          c.low = u.sd.slider_min;
          c.high = u.sd.slider_max;
        } else {
          c.low = u.fs_d.slider_min;
          c.high = u.fs_d.slider_max;
        }
        c.explanation = "0..1 spans " + minihost::formatSliderRange(param) +
                        (param.type() == PF_Param_SLIDER ? ", whole numbers" : "") + byDefault;
        break;
      case PF_Param_ANGLE:
        c.type = F0R_PARAM_DOUBLE;
        c.high = kTurn;
        c.explanation = "0..1 spans 0 to 360 degrees" + byDefault;
        break;
      default:
        continue;  // the layer and the group markers hold no value
    }
    controls.push_back(std::move(c));
  }
  return controls;
}

Value defaultOf(const Control& control, const minihost::DeclaredParam& param) {
  const minihost::ParamValue d = minihost::defaultValue(param);
  Value value;
  switch (control.type) {
    case F0R_PARAM_STRING: {
      const auto choice = std::size_t(std::lround(d[0]));
      value.v[0] = double(choice);
      value.text = choice >= 1 && choice <= control.choices.size() ? control.choices[choice - 1] : "";
      break;
    }
    case F0R_PARAM_BOOL: value.v[0] = d[0] != 0 ? 1 : 0; break;
    case F0R_PARAM_COLOR:
      for (int c = 0; c < 3; ++c) value.v[c] = d[std::size_t(c)] / 255.0;
      break;
    case F0R_PARAM_POSITION:
      // A point's default is in percent of the layer (see defaultValue).
      value.v[0] = unit(d[0] / 100.0);
      value.v[1] = unit(d[1] / 100.0);
      break;
    case F0R_PARAM_DOUBLE:
      value.v[0] = control.high > control.low ? unit((d[0] - control.low) / (control.high - control.low)) : 0;
      break;
    default: break;
  }
  return value;
}

bool assign(const Control& control, const void* param, Value& value) {
  switch (control.type) {
    case F0R_PARAM_STRING: {
      const char* text = *static_cast<const f0r_param_string*>(param);
      if (!text) return false;
      const std::string given(text);
      for (std::size_t i = 0; i < control.choices.size(); ++i) {
        char* end = nullptr;
        const long number = std::strtol(given.c_str(), &end, 10);
        const bool byNumber = !given.empty() && end && *end == '\0' && number == long(i + 1);
        if (byNumber || sameText(given, control.choices[i])) {
          value.v[0] = double(i + 1);
          value.text = control.choices[i];
          return true;
        }
      }
      return false;
    }
    case F0R_PARAM_BOOL: {
      const double on = *static_cast<const f0r_param_bool*>(param);
      if (std::isnan(on)) return false;
      value.v[0] = on >= 0.5 ? 1 : 0;
      return true;
    }
    case F0R_PARAM_DOUBLE: {
      const double t = *static_cast<const f0r_param_double*>(param);
      if (std::isnan(t)) return false;
      value.v[0] = unit(t);
      return true;
    }
    case F0R_PARAM_COLOR: {
      const auto* color = static_cast<const f0r_param_color_t*>(param);
      const double rgb[3] = {color->r, color->g, color->b};
      if (std::isnan(rgb[0]) || std::isnan(rgb[1]) || std::isnan(rgb[2])) return false;
      for (int c = 0; c < 3; ++c) value.v[c] = unit(rgb[c]);
      return true;
    }
    case F0R_PARAM_POSITION: {
      const auto* position = static_cast<const f0r_param_position_t*>(param);
      if (std::isnan(position->x) || std::isnan(position->y)) return false;
      value.v[0] = unit(position->x);
      value.v[1] = unit(position->y);
      return true;
    }
    default: return false;
  }
}

void fetch(const Control& control, const Value& value, void* param) {
  switch (control.type) {
    case F0R_PARAM_STRING:
      *static_cast<f0r_param_string*>(param) = const_cast<char*>(value.text.c_str());
      break;
    case F0R_PARAM_BOOL: *static_cast<f0r_param_bool*>(param) = value.v[0]; break;
    case F0R_PARAM_DOUBLE: *static_cast<f0r_param_double*>(param) = value.v[0]; break;
    case F0R_PARAM_COLOR:
      *static_cast<f0r_param_color_t*>(param) = {float(value.v[0]), float(value.v[1]), float(value.v[2])};
      break;
    case F0R_PARAM_POSITION: *static_cast<f0r_param_position_t*>(param) = {value.v[0], value.v[1]}; break;
    default: break;
  }
}

minihost::ParamValue hostValue(const Control& control, const Value& value) {
  switch (control.type) {
    case F0R_PARAM_COLOR:
      return {std::round(value.v[0] * 255.0), std::round(value.v[1] * 255.0), std::round(value.v[2] * 255.0), 255.0};
    case F0R_PARAM_POSITION: return {value.v[0] * 100.0, value.v[1] * 100.0};
    case F0R_PARAM_DOUBLE: return {control.low + value.v[0] * (control.high - control.low)};
    default: return {value.v[0]};
  }
}

}  // namespace vantrel_frei0r
