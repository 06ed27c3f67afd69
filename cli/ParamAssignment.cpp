#include "ParamAssignment.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "ControlDisplay.h"

namespace vantrel {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The text in quotes, control characters shown as '?' so the message stays one line.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += std::iscntrl(static_cast<unsigned char>(c)) ? '?' : c;
  return out + "\"";
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && lower(text.substr(text.size() - suffix.size())) == suffix;
}

std::string withoutSuffix(const std::string& text, const std::string& suffix) {
  return endsWith(text, suffix) ? trimmed(text.substr(0, text.size() - suffix.size())) : text;
}

// A finite decimal number and nothing else ("+" allowed, no "inf" or "nan").
std::optional<double> number(const std::string& text) {
  std::string digits = trimmed(text);
  if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
  if (digits.empty() || digits[0] == '+') return std::nullopt;
  double value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

class ValueParser {
 public:
  ValueParser(const minihost::DeclaredParam& param, std::string text) : param_(param), text_(std::move(text)) {}

  minihost::ParamValue parse() const {
    switch (param_.type()) {
      case PF_Param_POPUP: return popup();
      case PF_Param_SLIDER: return slider();
      case PF_Param_FLOAT_SLIDER: return floatSlider();
      case PF_Param_ANGLE: return angle();
      case PF_Param_POINT: return point();
      case PF_Param_CHECKBOX: return checkbox();
      case PF_Param_COLOR: return color();
      default: throw std::runtime_error(param_.name() + " is a " + minihost::typeName(param_.type()) +
                                 ", not a control that takes a value");
    }
  }

 private:
  [[noreturn]] void refuse(const std::string& expected) const {
    throw std::runtime_error(param_.name() + " takes " + expected + ", not " + quoted(text_));
  }

  double inRange(double value, double min, double max) const {
    if (value < min || value > max) refuse(minihost::formatValidRange(param_));
    return value;
  }

  minihost::ParamValue popup() const {
    const auto choices = minihost::popupChoices(param_);
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i) {
      list += (i ? ", " : "") + choices[i];
      if (lower(choices[i]) == lower(text_)) return {double(i + 1)};
    }
    const auto value = number(text_);
    const std::string expected = "one of " + list + " or 1 to " + std::to_string(choices.size());
    if (!value || *value != std::floor(*value)) refuse(expected);
    if (*value < 1 || *value > double(choices.size())) refuse(expected);
    return {*value};
  }

  minihost::ParamValue slider() const {
    const PF_SliderDef& sd = param_.raw().u.sd;
    const auto value = number(text_);
    if (!value || *value != std::floor(*value)) refuse("a whole number from " + minihost::formatValidRange(param_));
    return {inRange(*value, sd.valid_min, sd.valid_max)};
  }

  minihost::ParamValue floatSlider() const {
    const PF_FloatSliderDef& fs = param_.raw().u.fs_d;
    const bool percent = (fs.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
    const auto value = number(percent ? withoutSuffix(text_, "%") : text_);
    if (!value) refuse(std::string(percent ? "a percentage" : "a number") + " from " + minihost::formatValidRange(param_));
    return {inRange(*value, fs.valid_min, fs.valid_max)};
  }

  minihost::ParamValue angle() const {
    const auto value = number(withoutSuffix(text_, "deg"));
    if (!value) refuse("an angle in degrees");
    return {*value};
  }

  minihost::ParamValue point() const {
    const auto comma = text_.find(',');
    const std::string expected = "a point X,Y in layer pixels";
    if (comma == std::string::npos) refuse(expected);
    const auto x = number(text_.substr(0, comma));
    const auto y = number(text_.substr(comma + 1));
    if (!x || !y) refuse(expected);
    return {*x, *y};
  }

  minihost::ParamValue checkbox() const {
    const std::string word = lower(text_);
    if (word == "on" || word == "true" || word == "yes" || word == "1") return {1};
    if (word == "off" || word == "false" || word == "no" || word == "0") return {0};
    refuse("on or off");
  }

  minihost::ParamValue color() const {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (text_.size() != 7 || text_[0] != '#' || !std::all_of(text_.begin() + 1, text_.end(), hex)) {
      refuse("a colour as #RRGGBB");
    }
    const auto channel = [&](std::size_t at) { return double(std::stoi(text_.substr(at, 2), nullptr, 16)); };
    return {channel(1), channel(3), channel(5), 255};
  }

  const minihost::DeclaredParam& param_;
  const std::string text_;
};

PF_ParamIndex findControl(const minihost::Host& host, const std::string& name) {
  if (const PF_ParamIndex exact = host.findParam(name); exact > 0) return exact;
  const auto& params = host.params();
  for (std::size_t i = 1; i < params.size(); ++i) {
    if (!params[i].name().empty() && lower(params[i].name()) == lower(name)) return PF_ParamIndex(i);
  }
  return -1;
}

}  // namespace

ParamAssignment parseParamAssignment(const minihost::Host& host, const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos) throw std::runtime_error("--set " + quoted(text) + " needs the form NAME=VALUE");
  const std::string name = trimmed(text.substr(0, equals));
  const std::string value = trimmed(text.substr(equals + 1));
  if (name.empty()) throw std::runtime_error("--set " + quoted(text) + " names no control");
  const PF_ParamIndex index = findControl(host, name);
  if (index < 0) throw std::runtime_error("no control is named " + quoted(name) + " (vantrel info lists them)");
  const minihost::DeclaredParam& param = host.params()[std::size_t(index)];
  if (value.empty()) throw std::runtime_error("--set " + quoted(text) + " gives " + param.name() + " no value");
  return {index, ValueParser(param, value).parse()};
}

void applyParamAssignment(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& text) {
  const ParamAssignment assignment = parseParamAssignment(host, text);
  instance.set(assignment.index, assignment.value);
}

}  // namespace vantrel
