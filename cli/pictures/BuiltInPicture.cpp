#include "BuiltInPicture.h"

#include <algorithm>
#include <cmath>

namespace vantrel {
namespace {

struct Rgb {
  double r, g, b;  // 0 to 1
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(const Rgb& c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// Hue in turns (0 to 1), full saturation and value scaled by `value`.
Rgb hue(double turns, double value) {
  const double h = (turns - std::floor(turns)) * 6.0;
  const double f = h - std::floor(h);
  Rgb c{};
  switch (int(h)) {
    case 0: c = {1, f, 0}; break;
    case 1: c = {1 - f, 1, 0}; break;
    case 2: c = {0, 1, f}; break;
    case 3: c = {0, 1 - f, 1}; break;
    case 4: c = {f, 0, 1}; break;
    default: c = {1, 0, 1 - f}; break;
  }
  // A little white keeps the dark end of the gradient from going muddy.
  return scaled(mix(c, {1, 1, 1}, 0.12), value);
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kBand{1.0, 0.93, 0.55};  // pale yellow border band
constexpr Rgb kRed{0.9, 0.08, 0.08};
constexpr Rgb kGreen{0.1, 0.75, 0.2};
constexpr Rgb kBlue{0.12, 0.25, 0.95};

constexpr int kCheck = 40;       // checker square side
constexpr int kGrid = 80;        // grid line spacing
constexpr int kRingStep = 48;    // distance between rings
constexpr int kBandWidth = 28;   // border band
constexpr int kMark = 84;        // corner mark size

// The background: gradient, checker, grid and rings.
Rgb field(int x, int y, int width, int height) {
  Rgb c = hue(double(x) / width, 1.0 - 0.5 * double(y) / height);
  if (((x / kCheck) + (y / kCheck)) % 2 == 1) c = scaled(c, 0.82);
  if (x % kGrid < 2 || y % kGrid < 2) c = mix(c, kBlack, 0.6);
  const double dx = x + 0.5 - width / 2.0, dy = y + 0.5 - height / 2.0;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r < 6 * kRingStep && std::fmod(r, kRingStep) < 5.0) c = mix(c, kWhite, 0.75);
  if (r < 10.0) c = kWhite;
  return c;
}

// The band along the edges, with a tick every kCheck pixels and a longer one every
// 4 kCheck, pointing into the picture. Returns false where the band does not reach.
bool band(int x, int y, int width, int height, Rgb* c) {
  const int inset = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
  if (inset >= kBandWidth) return false;
  *c = kBand;
  if (inset < 3) *c = kBlack;  // a dark rim shows where the picture ends
  const bool alongTopOrBottom = std::min(y, height - 1 - y) == inset;
  const int along = alongTopOrBottom ? x : y;
  const int tickLength = along % (4 * kCheck) < 3 ? kBandWidth : kBandWidth / 2;
  if (along % kCheck < 3 && inset >= kBandWidth - tickLength) *c = mix(*c, kBlack, 0.8);
  return true;
}

// A different mark in each corner. Returns false outside the marks.
bool cornerMark(int x, int y, int width, int height, Rgb* c) {
  const bool left = x < kMark, right = x >= width - kMark;
  const bool top = y < kMark, bottom = y >= height - kMark;
  if (!((left || right) && (top || bottom))) return false;
  // u, v: position inside the corner's square, 0 at the picture's corner.
  const int u = left ? x : width - 1 - x;
  const int v = top ? y : height - 1 - y;
  if (u < 6 || v < 6) return false;  // keep the rim
  if (left && top) {
    *c = kRed;
  } else if (right && top) {
    const double du = u - kMark / 2.0, dv = v - kMark / 2.0;
    if (du * du + dv * dv > (kMark / 2.0 - 6) * (kMark / 2.0 - 6)) return false;
    *c = kGreen;
  } else if (left && bottom) {
    if (u + v > kMark) return false;  // the triangle's right angle sits in the corner
    *c = kBlue;
  } else {
    *c = ((x + y) / 10) % 2 == 0 ? kBlack : kWhite;
  }
  return true;
}

std::uint8_t byte(double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

RgbaImage builtInPicture(std::uint32_t width, std::uint32_t height) {
  RgbaImage image(width, height);
  const int w = int(width), h = int(height);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb c{};
      if (!cornerMark(x, y, w, h, &c) && !band(x, y, w, h, &c)) c = field(x, y, w, h);
      std::uint8_t* p = image.pixel(std::uint32_t(x), std::uint32_t(y));
      p[0] = byte(c.r);
      p[1] = byte(c.g);
      p[2] = byte(c.b);
      p[3] = 255;
    }
  }
  return image;
}

}  // namespace vantrel
