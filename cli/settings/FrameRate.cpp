#include "FrameRate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace vantrel {
namespace {

constexpr std::pair<const char*, FrameRate> kNames[] = {
    {"ntsc", {30000, 1001}}, {"pal", {25, 1}},       {"qntsc", {30000, 1001}}, {"qpal", {25, 1}},
    {"sntsc", {30000, 1001}}, {"spal", {25, 1}},     {"film", {24, 1}},        {"ntsc-film", {24000, 1001}},
};

FrameRate reduced(long numerator, long denominator) {
  const long divisor = std::gcd(numerator, denominator);
  return {numerator / divisor, denominator / divisor};
}

}  // namespace

std::string FrameRate::text() const {
  return denominator == 1 ? std::to_string(numerator) : std::to_string(numerator) + "/" + std::to_string(denominator);
}

FrameRate frameRateOf(double fps) {
  // 1000/1001 rates first: 29.97 from a header is NTSC's fraction, not 2997/100.
  for (long base : {24L, 30L, 48L, 60L, 120L}) {
    if (std::abs(fps - base * 1000.0 / 1001.0) < 0.0005) return {base * 1000, 1001};
  }
  return reduced(std::lround(fps * 1000), 1000);
}

FrameRate parseFrameRate(const std::string& text) {
  const std::runtime_error refused("--fps takes a rate above 0 and at most 1000 (25, 29.97, 30000/1001, ntsc, pal), not \"" +
                                   text + "\"");
  for (const auto& [name, rate] : kNames) {
    if (text == name) return rate;
  }
  char* end = nullptr;
  const double numerator = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) throw refused;
  FrameRate rate;
  if (*end == '/') {
    const char* denominatorText = end + 1;
    const long denominator = std::strtol(denominatorText, &end, 10);
    if (end == denominatorText || *end != '\0' || denominator <= 0 || numerator != std::floor(numerator) ||
        numerator <= 0 || numerator > 1e9) {
      throw refused;
    }
    rate = reduced(long(numerator), denominator);
  } else {
    if (*end != '\0' || !(numerator > 0) || numerator > 1000) throw refused;
    rate = frameRateOf(numerator);
  }
  if (!(rate.value() > 0) || rate.value() > 1000) throw refused;
  return rate;
}

}  // namespace vantrel
