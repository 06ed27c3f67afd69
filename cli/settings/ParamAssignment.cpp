#include "ParamAssignment.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "ControlDisplay.h"
#include "NearestName.h"

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
      default:
        throw std::runtime_error("is a " + minihost::typeName(param_.type()) + ", not a control that takes a value");
    }
  }

 private:
  [[noreturn]] void refuse(const std::string& expected) const {
    throw std::runtime_error("takes " + expected + ", not " + quoted(text_));
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
    const std::string expected = "a point X,Y in layer pixels or X%,Y% of the layer's size";
    if (comma == std::string::npos) refuse(expected);
    const std::string xText = trimmed(text_.substr(0, comma)), yText = trimmed(text_.substr(comma + 1));
    if (endsWith(xText, "%") != endsWith(yText, "%")) refuse(expected);
    const auto x = number(withoutSuffix(xText, "%"));
    const auto y = number(withoutSuffix(yText, "%"));
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

// "2s", "1.5s", "48f" (whole frames at fps): seconds from 0 on, and the frame where the
// time is one.
std::pair<double, std::optional<long>> parseTime(const std::string& text, double fps) {
  const std::string time = trimmed(text);
  if (time.empty()) throw std::runtime_error("has a key without a time");
  const char unit = char(std::tolower(static_cast<unsigned char>(time.back())));
  const auto value = number(time.substr(0, time.size() - 1));
  if ((unit != 's' && unit != 'f') || !value) {
    throw std::runtime_error("has a key at " + quoted(time) + "; a time is seconds (2s) or frames (48f)");
  }
  if (*value < 0) throw std::runtime_error("has a key at " + quoted(time) + "; times are 0 or later");
  if (unit == 's') return {*value, std::nullopt};
  if (*value != std::floor(*value)) throw std::runtime_error("has a key at " + quoted(time) + "; frames are whole");
  return {*value / fps, long(*value)};
}

std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%gs", seconds);
  return text;
}

bool validFrameRate(double fps) { return std::isfinite(fps) && fps > 0; }

// VALUE as keys: "VALUE@TIME;VALUE@TIME", or a constant when it holds no '@'.
std::vector<KeyText> splitKeys(const std::string& value) {
  if (value.find('@') == std::string::npos) return {{value, std::nullopt}};
  std::vector<KeyText> keys;
  std::size_t from = 0;
  while (true) {
    const std::size_t end = value.find(';', from);
    const std::string key = trimmed(value.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (key.empty()) throw std::runtime_error("has an empty key in " + quoted(value));
    const std::size_t at = key.find('@');
    if (at == std::string::npos) throw std::runtime_error("has a key without a time: " + quoted(key) + "; keys are VALUE@TIME");
    const std::string keyValue = trimmed(key.substr(0, at));
    if (keyValue.empty()) throw std::runtime_error("has a key without a value: " + quoted(key));
    keys.push_back({keyValue, key.substr(at + 1)});
    if (end == std::string::npos) return keys;
    from = end + 1;
  }
}

}  // namespace

bool takesValue(PF_ParamType type) {
  switch (type) {
    case PF_Param_POPUP:
    case PF_Param_SLIDER:
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_POINT:
    case PF_Param_CHECKBOX:
    case PF_Param_COLOR: return true;
    default: return false;
  }
}

void checkFrameRate(double fps) {
  if (validFrameRate(fps)) return;
  char text[64];
  std::snprintf(text, sizeof text, "the frame rate must be above 0, not %g", fps);
  throw std::runtime_error(text);
}

PF_ParamIndex findControl(const minihost::Host& host, const std::string& name) {
  if (const PF_ParamIndex exact = host.findParam(name); exact > 0) return exact;
  const auto& params = host.params();
  std::vector<std::string> names;
  for (std::size_t i = 1; i < params.size(); ++i) {
    if (!params[i].name().empty() && lower(params[i].name()) == lower(name)) return PF_ParamIndex(i);
    if (takesValue(params[i].type())) names.push_back(params[i].name());
  }
  const std::string nearest = nearestName(name, names);
  if (!nearest.empty()) throw std::runtime_error("no control named " + quoted(name) + "; did you mean " + quoted(nearest) + "?");
  throw std::runtime_error("no control named " + quoted(name) + "; see vantrel info");
}

bool pointInPercent(const minihost::DeclaredParam& param, const std::vector<KeyText>& keys) {
  if (param.type() != PF_Param_POINT) return false;
  const auto percent = [](const KeyText& key) { return key.value.find('%') != std::string::npos; };
  const bool all = std::all_of(keys.begin(), keys.end(), percent);
  if (!all && std::any_of(keys.begin(), keys.end(), percent)) {
    throw std::runtime_error("has keys in percent and keys in pixels; give them all in one");
  }
  return all;
}

std::vector<minihost::Keyframe> parseKeys(const minihost::DeclaredParam& param, const std::vector<KeyText>& keys,
                                          double fps) {
  if (!validFrameRate(fps)) throw std::invalid_argument("parseKeys needs a frame rate above 0");
  if (keys.empty()) throw std::runtime_error("has no keys");
  std::vector<minihost::Keyframe> parsed;
  for (const KeyText& key : keys) {
    if (!key.time && keys.size() > 1) throw std::runtime_error("has a key without a time: " + quoted(key.value));
    // The value first: a control that takes no value is refused as such.
    const minihost::ParamValue value = ValueParser(param, trimmed(key.value)).parse();
    const auto [seconds, frame] = key.time ? parseTime(*key.time, fps) : std::pair<double, std::optional<long>>{};
    parsed.push_back({seconds, value, frame});
  }
  std::stable_sort(parsed.begin(), parsed.end(),
                   [](const minihost::Keyframe& a, const minihost::Keyframe& b) { return a.seconds < b.seconds; });
  for (std::size_t i = 1; i < parsed.size(); ++i) {
    if (parsed[i].seconds == parsed[i - 1].seconds) {
      throw std::runtime_error("has two keys at " + secondsText(parsed[i].seconds));
    }
  }
  return parsed;
}

ParamSetting parseParamSetting(const minihost::Host& host, const std::string& text, double fps) {
  const auto equals = text.find('=');
  if (equals == std::string::npos) throw std::runtime_error("--set " + quoted(text) + " needs the form NAME=VALUE");
  const std::string name = trimmed(text.substr(0, equals));
  const std::string value = trimmed(text.substr(equals + 1));
  if (name.empty()) throw std::runtime_error("--set " + quoted(text) + " names no control");
  const PF_ParamIndex index = findControl(host, name);
  const minihost::DeclaredParam& param = host.params()[std::size_t(index)];
  if (value.empty()) throw std::runtime_error("--set " + quoted(text) + " gives " + param.name() + " no value");
  checkFrameRate(fps);
  try {
    const std::vector<KeyText> keys = splitKeys(value);
    return {index, parseKeys(param, keys, fps), pointInPercent(param, keys)};
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(param.name() + " " + e.what());
  }
}

void applyParamSetting(minihost::EffectInstance& instance, const ParamSetting& setting) {
  instance.setKeyframes(setting.index, setting.keys, setting.inPercent);
}

void applyParamAssignment(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& text,
                          double fps) {
  applyParamSetting(instance, parseParamSetting(host, text, fps));
}

}  // namespace vantrel
