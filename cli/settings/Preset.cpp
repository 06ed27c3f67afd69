#include "Preset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "ControlDisplay.h"
#include "FileSystemCalls.h"
#include "ParamAssignment.h"
#include "ReplacingFile.h"

namespace vantrel {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// The text in quotes, control characters shown as '?' so the message stays one line.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += std::iscntrl(static_cast<unsigned char>(c)) ? '?' : c;
  return out + "\"";
}

std::string readText(const std::string& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  if (!file) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  std::string text;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  return text;
}

ordered_json parseJson(const std::string& path) {
  try {
    return ordered_json::parse(readText(path));
  } catch (const json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 2, column 3: ..." without its
    // tag; a number too large for a double is an out_of_range error of the same form.
    std::string reason = e.what();
    if (const auto tagEnd = reason.find("] "); reason.rfind("[json.", 0) == 0 && tagEnd != std::string::npos) {
      reason.erase(0, tagEnd + 2);
    }
    throw std::runtime_error(path + ": not JSON: " + reason);
  }
}

// A JSON value as the text --set takes for it; one that fits no form is handed on as
// JSON, for the control's own check to refuse with the form it expects.
std::string valueText(const ordered_json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
  if (value.is_array() && value.size() == 2 && value[0].is_number() && value[1].is_number()) {
    return value[0].dump() + "," + value[1].dump();
  }
  return value.dump();
}

// A key's time as --set's text: a number is seconds.
std::string timeText(const ordered_json& time) {
  if (time.is_string()) return time.get<std::string>();
  if (time.is_number()) return time.dump() + "s";
  return time.dump();
}

// A list of [time, value] pairs, told from a point's [x, y] by its elements being lists.
bool isKeyList(const ordered_json& value) {
  return value.is_array() && std::all_of(value.begin(), value.end(), [](const ordered_json& v) { return v.is_array(); });
}

std::vector<KeyText> keyTexts(const ordered_json& value) {
  if (!isKeyList(value)) return {{valueText(value), std::nullopt}};
  std::vector<KeyText> keys;
  for (const ordered_json& key : value) {
    if (key.size() != 2) throw std::runtime_error("has a key that is not a [time, value] pair: " + key.dump());
    keys.push_back({valueText(key[1]), timeText(key[0])});
  }
  return keys;
}

// A stored value in the units the control shows.
json shownValue(const minihost::DeclaredParam& param, const minihost::ParamValue& value, bool inPercent) {
  const double v = value[0];
  switch (param.type()) {
    case PF_Param_POPUP: {
      const auto choices = minihost::popupChoices(param);
      const long choice = std::lround(v);
      if (choice >= 1 && std::size_t(choice) <= choices.size()) return choices[std::size_t(choice - 1)];
      return choice;
    }
    case PF_Param_SLIDER:
      if (v == std::floor(v)) return std::llround(v);
      return v;
    case PF_Param_CHECKBOX: return v != 0;
    case PF_Param_POINT:
      if (inPercent) return json(value[0]).dump() + "%," + json(value[1]).dump() + "%";
      return json::array({value[0], value[1]});
    case PF_Param_COLOR: {
      const auto byte = [](double c) { return unsigned(std::lround(std::clamp(c, 0.0, 255.0))); };
      char text[16];
      std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(value[0]), byte(value[1]), byte(value[2]));
      return text;
    }
    default: return v;
  }
}

// A value on one line, lists included: "[[0.0, 0], [2.0, 300]]".
std::string oneLine(const json& value) {
  if (!value.is_array()) return value.dump();
  std::string text = "[";
  for (std::size_t i = 0; i < value.size(); ++i) text += (i ? ", " : "") + oneLine(value[i]);
  return text + "]";
}

}  // namespace

void loadPreset(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& path, double fps) {
  checkFrameRate(fps);
  const ordered_json preset = parseJson(path);
  if (!preset.is_object()) {
    throw std::runtime_error(path + ": a preset is a JSON object of control names and their values");
  }
  std::vector<ParamSetting> settings;
  std::set<PF_ParamIndex> named;
  for (const auto& [name, value] : preset.items()) {
    PF_ParamIndex index = -1;
    try {
      index = findControl(host, name);
    } catch (const std::runtime_error& e) {
      throw std::runtime_error(path + ": " + e.what());
    }
    const minihost::DeclaredParam& param = host.params()[std::size_t(index)];
    const std::string control = path + ": " + quoted(name) + " ";
    if (!named.insert(index).second) throw std::runtime_error(control + "sets " + param.name() + " a second time");
    try {
      const std::vector<KeyText> keys = keyTexts(value);
      settings.push_back({index, parseKeys(param, keys, fps), pointInPercent(param, keys)});
    } catch (const std::runtime_error& e) {
      throw std::runtime_error(control + e.what());
    }
  }
  for (const ParamSetting& setting : settings) applyParamSetting(instance, setting);
}

void savePreset(const minihost::Host& host, const minihost::EffectInstance& instance, const std::string& path) {
  std::string text;
  const auto& params = host.params();
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    const PF_ParamIndex index = PF_ParamIndex(i);
    if (!takesValue(param.type()) || (param.type() == PF_Param_POINT && instance.atDefault(index))) continue;
    const std::vector<minihost::Keyframe>& keys = instance.keyframes(index);
    json value;
    if (keys.size() == 1) {
      value = shownValue(param, keys.front().value, instance.inPercent(index));
    } else {
      value = json::array();
      for (const minihost::Keyframe& key : keys) {
        const json time = key.frame ? json(std::to_string(*key.frame) + "f") : json(key.seconds);
        value.push_back({time, shownValue(param, key.value, instance.inPercent(index))});
      }
    }
    text += (text.empty() ? "" : ",\n") + std::string("  ") + json(param.name()).dump() + ": " + oneLine(value);
  }
  text = text.empty() ? "{}\n" : "{\n" + text + "\n}\n";

  ReplacingFile file(path);
  if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size()) throw file.failure(std::strerror(errno));
  file.commit();
}

}  // namespace vantrel
