#include "ColourCodes.h"

#include <map>

namespace vantrel {
namespace {

using Codes = std::map<std::string, int>;

const Codes& codesOf(ColourProperty property) {
  static const Codes kPrimaries = {
      {"bt709", 1},     {"bt470m", 4},    {"bt470bg", 5},    {"smpte170m", 6},  {"smpte240m", 7},
      {"film", 8},      {"bt2020", 9},    {"smpte428", 10},  {"smpte428_1", 10}, {"smpte431", 11},
      {"smpte432", 12}, {"ebu3213", 22},  {"jedec-p22", 22},
  };
  static const Codes kTransfer = {
      {"bt709", 1},         {"bt470m", 4},         {"gamma22", 4},        {"bt470bg", 5},
      {"gamma28", 5},       {"smpte170m", 6},      {"smpte240m", 7},      {"linear", 8},
      {"log100", 9},        {"log", 9},            {"log316", 10},        {"log_sqrt", 10},
      {"iec61966-2-4", 11}, {"iec61966_2_4", 11},  {"bt1361e", 12},       {"bt1361", 12},
      {"iec61966-2-1", 13}, {"iec61966_2_1", 13},  {"bt2020-10", 14},     {"bt2020_10bit", 14},
      {"bt2020-12", 15},    {"bt2020_12bit", 15},  {"smpte2084", 16},     {"smpte428", 17},
      {"smpte428_1", 17},   {"arib-std-b67", 18},
  };
  static const Codes kMatrix = {
      {"gbr", 0},       {"rgb", 0},       {"bt709", 1},          {"fcc", 4},           {"bt470bg", 5},
      {"smpte170m", 6}, {"smpte240m", 7}, {"ycgco", 8},          {"ycocg", 8},         {"bt2020nc", 9},
      {"bt2020_ncl", 9}, {"bt2020c", 10}, {"bt2020_cl", 10},     {"smpte2085", 11},    {"chroma-derived-nc", 12},
      {"chroma-derived-c", 13}, {"ictcp", 14},
  };
  static const Codes kRange = {{"tv", 1}, {"mpeg", 1}, {"limited", 1}, {"pc", 2}, {"jpeg", 2}, {"full", 2}};
  switch (property) {
    case ColourProperty::Primaries: return kPrimaries;
    case ColourProperty::Transfer: return kTransfer;
    case ColourProperty::Matrix: return kMatrix;
    case ColourProperty::Range: break;
  }
  return kRange;
}

}  // namespace

std::optional<int> colourCode(ColourProperty property, const std::string& name) {
  const Codes& codes = codesOf(property);
  const auto found = codes.find(name);
  if (found == codes.end()) return std::nullopt;
  return found->second;
}

const char* colourPropertyName(ColourProperty property) {
  switch (property) {
    case ColourProperty::Primaries: return "colour primaries";
    case ColourProperty::Transfer: return "transfer characteristics";
    case ColourProperty::Matrix: return "matrix";
    case ColourProperty::Range: break;
  }
  return "range";
}

}  // namespace vantrel
