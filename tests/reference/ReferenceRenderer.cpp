#include "ReferenceRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace vantrel_reference {

namespace {

constexpr int kMaxInstances = 20;
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kDegreesToRadians = 0.017453292519943;
constexpr double kFixedOne = 65536.0;

struct Vec2 {
  double x = 0.0, y = 0.0;
};

// Row-major 2x3 affine map: (x, y) -> (a x + b y + c, d x + e y + f).
struct Affine {
  double a, b, c, d, e, f;
};

Vec2 apply(const Affine& m, Vec2 p) { return {m.a * p.x + m.b * p.y + m.c, m.d * p.x + m.e * p.y + m.f}; }

// The shape program's uniforms, in double.
struct ShapeUniforms {
  int shapeType = 0;  // selects the distance function
  Vec2 viewPort;      // input width and height, pixels
  double shapeSize1 = 0.0, shapeSize2 = 0.0;
  Vec2 center;
  double drawShadow = 0.0;   // 1 shadow, 0 stroke
  double shadowSize = 0.0;   // edge width: shadow or stroke size
  double shadowAlpha = 0.0;  // edge opacity: shadow or stroke opacity
  Rgba shadowColor;          // edge colour: shadow or stroke colour
  int instances = 0;
  double shapeSize1Offset = 0.0, shapeSize2Offset = 0.0;
  double opacityOffset = 0.0;
  double bgAlpha = 0.0;      // 0 transparent background, 1 layer kept
  double alphaFactor = 0.0;  // +1 fill outside, -1 fill inside
  std::vector<Affine> transforms;  // per instance: output pixel -> instance frame
  Affine shapeTransform{1, 0, 0, 0, 1, 0};  // shape rotation, not inverted
};

std::size_t pixelIndex(int width, int x, int y) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

// ---- GLSL built-ins, in double ----

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double mix(double a, double b, double t) { return a * (1.0 - t) + b * t; }

double step(double edge, double x) { return x < edge ? 0.0 : 1.0; }

double smoothstep(double edge0, double edge1, double x) {
  const double t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0 - 2.0 * t);
}

double fract(double v) { return v - std::floor(v); }

double glslMod(double x, double y) { return x - y * std::floor(x / y); }

double sign(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

double length(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }

Vec2 operator-(Vec2 l, Vec2 r) { return {l.x - r.x, l.y - r.y}; }

Vec2 operator+(Vec2 l, Vec2 r) { return {l.x + r.x, l.y + r.y}; }

// ---- Host hand-off and snapshot ----

PF_Fixed toFixed(double v) { return static_cast<PF_Fixed>(std::lround(v * kFixedOne)); }

// The snapshot's arithmetic shift by 16 bits: the floor of the fixed value.
double fixedFloor(PF_Fixed v) { return std::floor(static_cast<double>(v) / kFixedOne); }

Rgba colorFraction(const PF_Pixel& p) {
  return {p.red / 255.0, p.green / 255.0, p.blue / 255.0, p.alpha / 255.0};
}



// ---- The distance functions, one per shape type, as the shader texts write them ----

double circle(Vec2 uv, Vec2 origin, double size1, double) { return length(uv - origin) - size1; }

double ring(Vec2 uv, Vec2 origin, double size1, double size2) {
  const Vec2 P = origin - uv;
  const double r1 = length(P) - size1;
  const double r2 = length(P) - size2;
  return std::max(r1, -r2);
}

double cross(Vec2 uv, Vec2 origin, double size1, double size2) {
  const Vec2 P = origin - uv;
  const double x = (kSqrt2 / 2.0) * (P.x - P.y);
  const double y = (kSqrt2 / 2.0) * (P.x + P.y);
  const double r1 = std::max(std::abs(x - size2), std::abs(x + size2));
  const double r2 = std::max(std::abs(y - size2), std::abs(y + size2));
  const double r3 = std::max(std::abs(x), std::abs(y));
  return std::max(std::min(r1, r2), r3) - size1 / 2.0;
}

// Triangle, hexagon and octagon share one formula with their own offset and sector.
double regularPolygon(Vec2 uv, Vec2 origin, double size1, double offset, double sector) {
  const Vec2 st = origin - uv;
  const double a = std::atan2(st.x, st.y) + offset;
  const double k = std::floor(0.5 + a / sector);
  const double dist = std::cos(k * sector - a) * length(st);
  return dist - size1;
}

double triangle(Vec2 uv, Vec2 origin, double size1, double) {
  return regularPolygon(uv, origin, size1, 1.0471975511965976, 2.0943951023931953);
}

double rectangle(Vec2 uv, Vec2 origin, double size1, double size2) {
  const Vec2 tl = origin - Vec2{size1, size2};
  const Vec2 br = origin + Vec2{size1, size2};
  const Vec2 d{std::max(tl.x - uv.x, uv.x - br.x), std::max(tl.y - uv.y, uv.y - br.y)};
  return length(Vec2{std::max(0.0, d.x), std::max(0.0, d.y)}) + std::min(0.0, std::max(d.x, d.y));
}

double hexagon(Vec2 uv, Vec2 origin, double size1, double) {
  return regularPolygon(uv, origin, size1, 0.5235987755982988, 1.0471975511965976);
}

double octagon(Vec2 uv, Vec2 origin, double size1, double) {
  return regularPolygon(uv, origin, size1, 0.39269908169872414, 0.7853981633974483);
}

double tShape(Vec2 uv, Vec2 origin, double size1, double size2) {
  const Vec2 P = origin - uv;
  const double x = -P.y;
  const double y = P.x;
  const double r1 = std::max(std::abs(x - size2 + size2), std::abs(x - size2 - size2));
  const double r2 = std::max(std::abs(y - size2), std::abs(y + size2));
  const double r3 = std::max(std::abs(x), std::abs(y));
  return std::max(std::min(r1, r2), r3) - size1 / 2.0;
}

double chevron(Vec2 uv, Vec2 origin, double size1, double) {
  const Vec2 P = origin - uv;
  const double x = (1.0 / kSqrt2) * (P.x - P.y);
  const double y = (1.0 / kSqrt2) * (P.x + P.y);
  const double r1 = std::max(std::abs(x), std::abs(y)) - size1;
  const double r2 = std::max(std::abs(x - size1), std::abs(y - size1)) - size1;
  return std::max(r1, -r2);
}

using ShapeFunc = double (*)(Vec2 uv, Vec2 origin, double size1, double size2);

ShapeFunc shapeFuncFor(int shapeType) {
  switch (shapeType) {
    case 1: return circle;
    case 2: return ring;
    case 3: return cross;
    case 4: return triangle;
    case 5: return rectangle;
    case 6: return hexagon;
    case 7: return octagon;
    case 8: return tShape;
    case 9: return chevron;
    default: throw std::invalid_argument("no distance function for shape type " + std::to_string(shapeType));
  }
}

// ---- The main fragment text ----

Rgba swapChannel(const Rgba& c) { return {c.g, c.b, c.a, c.r}; }

double d2alpha(double d) { return smoothstep(0.0, 1.0, d); }

double d2edge(double d, double edgeWidth, double drawShadow) {
  const double t = d - 1.0;
  const double shadowTerm = edgeWidth > 0.0 ? 1.0 - smoothstep(0.0, edgeWidth, std::abs(t)) : 0.0;
  const double strokeTerm = 1.0 - smoothstep(edgeWidth, edgeWidth + 1.0, std::abs(t));
  return clamp01(mix(mix(strokeTerm, shadowTerm, drawShadow), 0.0, step(0.0, t)));
}

Rgba blendColor(const Rgba& previous, const Rgba& source) {
  const double alpha = source.a + previous.a * (1.0 - source.a);
  const auto channel = [&](double p, double s) {
    return (1.0 - source.a) * p + source.a * ((1.0 - previous.a) * s + previous.a * s);
  };
  return {channel(previous.r, source.r), channel(previous.g, source.g), channel(previous.b, source.b), alpha};
}

double clampCoordinate(double v) {
  const double c = std::abs(v);
  return mix(fract(c), 1.0 - fract(c), sign(glslMod(std::floor(c), 2.0)));
}

// The texel at (i, j), clamped to the edge: the host's alpha, red, green, blue in r, g, b, a.
Rgba texel(const Image& input, int i, int j) {
  const PF_Pixel& p = input.at(std::clamp(i, 0, input.width - 1), std::clamp(j, 0, input.height - 1));
  return {p.alpha / 255.0, p.red / 255.0, p.green / 255.0, p.blue / 255.0};
}

Rgba lerp(const Rgba& l, const Rgba& r, double t) {
  return {mix(l.r, r.r, t), mix(l.g, r.g, t), mix(l.b, r.b, t), mix(l.a, r.a, t)};
}

// GL_LINEAR sampling with clamp to edge, of the input as the texture holds it.
Rgba sampleTexture(const Image& input, Vec2 uv) {
  const double x = uv.x * input.width - 0.5;
  const double y = uv.y * input.height - 0.5;
  const double x0 = std::floor(x);
  const double y0 = std::floor(y);
  const double fx = x - x0;
  const double fy = y - y0;
  const int i = static_cast<int>(x0);
  const int j = static_cast<int>(y0);
  const Rgba top = lerp(texel(input, i, j), texel(input, i + 1, j), fx);
  const Rgba bottom = lerp(texel(input, i, j + 1), texel(input, i + 1, j + 1), fx);
  return lerp(top, bottom, fy);
}

// Mirrored repetition of texture coordinates.
Vec2 clampUV(Vec2 uv) { return {clampCoordinate(uv.x), clampCoordinate(uv.y)}; }

Rgba drawLayer(const Image& input, const ShapeUniforms& u, ShapeFunc shapeFunc, Vec2 pos, int layerIndex) {
  const double index = layerIndex;
  const Vec2 p = apply(u.transforms[static_cast<std::size_t>(layerIndex)], pos);
  const Vec2 s = apply(u.shapeTransform, p);
  const double d = u.alphaFactor * shapeFunc(s, u.center, u.shapeSize1 + u.shapeSize1Offset * index,
                                             u.shapeSize2 + u.shapeSize2Offset * index);
  const double a = d2alpha(d);
  const double e = d2edge(d, u.shadowSize, u.drawShadow);
  Rgba color = swapChannel(sampleTexture(input, clampUV(Vec2{p.x / u.viewPort.x, p.y / u.viewPort.y})));
  color.a = color.a * a;
  const Rgba shadow{u.shadowColor.r, u.shadowColor.g, u.shadowColor.b, u.shadowColor.a * e * e * u.shadowAlpha};
  color = blendColor(shadow, color);
  color.a = color.a * clamp01(1.0 - u.opacityOffset * index);
  return color;
}

// The shape program's premultiplied colour at output pixel (x, y).
Rgba shadePixel(const Image& input, const ShapeUniforms& u, int x, int y) {
  const ShapeFunc shapeFunc = shapeFuncFor(u.shapeType);
  const Vec2 uv{(x + 0.5) / u.viewPort.x, (y + 0.5) / u.viewPort.y};
  const Vec2 pos{uv.x * u.viewPort.x, uv.y * u.viewPort.y};
  Rgba bg = swapChannel(sampleTexture(input, uv));
  bg.a = bg.a * u.bgAlpha;
  for (int i = u.instances - 1; i >= 0; --i) bg = blendColor(bg, drawLayer(input, u, shapeFunc, pos, i));
  return {bg.a * bg.r, bg.a * bg.g, bg.a * bg.b, bg.a};
}

// The placement R(angle) * diag(scale) * (p - origin) + translation, the angle in degrees.
Affine makePlacement(Vec2 origin, Vec2 translation, Vec2 scale, double angleDegrees) {
  const double r = angleDegrees * kDegreesToRadians;
  const double co = std::cos(r);
  const double si = std::sin(r);
  Affine m{};
  m.a = co * scale.x;
  m.b = -(si * scale.y);
  m.d = si * scale.x;
  m.e = co * scale.y;
  m.c = m.a * (-origin.x) + m.b * (-origin.y) + translation.x;
  m.f = m.d * (-origin.x) + m.e * (-origin.y) + translation.y;
  return m;
}

// The inverse of m, or the identity when |det| < 0.000001.
Affine invertOrIdentity(const Affine& m) {
  const double det = m.a * m.e - m.d * m.b;
  if (-0.000001 < det && det < 0.000001) return {1.0, 0.0, 0.0, 0.0, 1.0, 0.0};
  const double k = 1.0 / det;
  return {m.e * k, -(m.b * k), (m.b * m.f - m.c * m.e) * k, -(m.d * k), m.a * k, (m.c * m.d - m.a * m.f) * k};
}

// The uniforms of a frame of width x height pixels, 1/downsample of the full-resolution
// layer: the centre and rotation as the host hands them (16.16, the centre in pixels of
// the frame), then the snapshot's conversions, in float where the render record stores
// float, and the instance placements the pass computes.
ShapeUniforms shapeUniforms(const SceneValues& v, int width, int height, unsigned downsample) {
  const float den = static_cast<float>(downsample);
  const auto length = [&](A_long pixels) { return double(static_cast<float>(pixels) / den); };
  const auto offset = [&](double pixels) { return double(static_cast<float>(pixels / double(den))); };
  const auto fraction = [](double percent) { return double(static_cast<float>(percent / 100.0)); };
  const bool shadow = v.edgeType == 1;
  const double centerX = v.centerAtDefault ? 0.5 * (width * int(downsample)) : v.centerX;
  const double centerY = v.centerAtDefault ? 0.5 * (height * int(downsample)) : v.centerY;

  ShapeUniforms u;
  u.shapeType = v.shapeType;
  u.viewPort = {static_cast<double>(width), static_cast<double>(height)};
  u.shapeSize1 = length(v.shapeSize1);
  u.shapeSize2 = length(v.shapeSize2);
  u.center = {fixedFloor(toFixed(centerX / downsample)), fixedFloor(toFixed(centerY / downsample))};
  u.drawShadow = shadow ? 1.0 : 0.0;
  u.shadowSize = length(shadow ? v.shadowSize : v.strokeSize);
  u.shadowAlpha = fraction(shadow ? v.shadowOpacity : v.strokeOpacity);
  u.shadowColor = colorFraction(shadow ? v.shadowColor : v.strokeColor);
  u.instances = v.instances;
  u.shapeSize1Offset = offset(v.shapeSize1Offset);
  u.shapeSize2Offset = offset(v.shapeSize2Offset);
  u.opacityOffset = fraction(v.opacityOffset);
  u.bgAlpha = v.transparentBackground ? 0.0 : 1.0;
  u.alphaFactor = v.fillType == 1 ? 1.0 : -1.0;

  const float rotationOffset = static_cast<float>(v.rotationOffset);
  for (int i = 0; i < v.instances; ++i) {
    const Vec2 scale{1.0 - fraction(v.scaleXOffset) * i, 1.0 - fraction(v.scaleYOffset) * i};
    const Vec2 translation{u.center.x - offset(v.positionXOffset) * i, u.center.y - offset(v.positionYOffset) * i};
    const float angle = static_cast<float>(i) * rotationOffset;  // single precision, as the pass does
    u.transforms.push_back(invertOrIdentity(makePlacement(u.center, translation, scale, angle)));
  }
  const double rotation = static_cast<float>(toFixed(v.rotation) * 1.52587890625e-5);
  u.shapeTransform = makePlacement(u.center, u.center, Vec2{1.0, 1.0}, rotation);
  return u;
}

// ---- The 8-bit chain ----

A_u_char toUnorm8(double v) { return static_cast<A_u_char>(std::lround(clamp01(v) * 255.0)); }

void requireValidFrame(const Image& input, const SceneValues& values, unsigned downsample) {
  if (input.width <= 0 || input.height <= 0 ||
      input.pixels.size() != static_cast<std::size_t>(input.width) * static_cast<std::size_t>(input.height)) {
    throw std::invalid_argument("the input must be a non-empty picture of width x height pixels");
  }
  if (downsample == 0) throw std::invalid_argument("the downsample factor must be at least 1");
  if (values.shapeType < 1 || values.shapeType > 9) {
    throw std::invalid_argument("shape type " + std::to_string(values.shapeType) + " is outside 1 to 9");
  }
  if (values.instances < 1 || values.instances > kMaxInstances) {
    throw std::invalid_argument("instances " + std::to_string(values.instances) + " is outside 1 to 20");
  }
}

}  // namespace

PF_Pixel& Image::at(int x, int y) { return pixels[pixelIndex(width, x, y)]; }

const PF_Pixel& Image::at(int x, int y) const { return pixels[pixelIndex(width, x, y)]; }

Image makeImage(int width, int height, PF_Pixel fill) {
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0)),
                      fill);
  return image;
}








double edgeStrength(double d, double width, bool shadow) { return d2edge(d, width, shadow ? 1.0 : 0.0); }




PF_Pixel storeAndConvert(const Rgba& premultiplied) {
  // The multisampled layer stores 8-bit normalised values; every sample of a pixel has
  // the shader's one colour, so the resolve keeps those bytes.
  const Rgba c{toUnorm8(premultiplied.r) / 255.0, toUnorm8(premultiplied.g) / 255.0,
               toUnorm8(premultiplied.b) / 255.0, toUnorm8(premultiplied.a) / 255.0};
  if (c.a == 0.0) return PF_Pixel{0, 0, 0, 0};
  // The conversion program writes alpha, then straight red, green and blue.
  return PF_Pixel{toUnorm8(c.a), toUnorm8(c.r / c.a), toUnorm8(c.g / c.a), toUnorm8(c.b / c.a)};
}

Image renderReference(const Image& input, const SceneValues& values, unsigned downsample) {
  requireValidFrame(input, values, downsample);
  const ShapeUniforms uniforms = shapeUniforms(values, input.width, input.height, downsample);

  Image output = makeImage(input.width, input.height);
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      output.at(x, y) = storeAndConvert(shadePixel(input, uniforms, x, y));
    }
  }
  return output;
}

}  // namespace vantrel_reference
