// CPU reference of the effect's picture, used as the oracle for frames rendered on the
// GPU. It follows the frame's data path step by step, in double precision:
//
//   SceneValues --hostValues--> HostValues        what the host hands the effect
//               --takeSnapshot--> FrameValues     the render record after the snapshot
//               --shapePassUniforms--> ShapeUniforms   uniforms and instance matrices
//               --shadePixel--> premultiplied colour of one output pixel
//               --storeAndConvert--> the output bytes after the 8-bit layer, the resolve
//                                    and the conversion program
//
// The only single-precision arithmetic is what the effect itself does in float before
// the shader runs: the record's float fields and the instance angle i x rotation offset.
// Everything the shader computes is done here in double, so a GPU frame differs from
// this one only by the GPU's float rounding, its texture filtering precision and the
// 8-bit quantisation that such rounding can tip.
#pragma once

#include <array>
#include <vector>

#include "AE_Effect.h"
#include "SceneValues.h"

namespace vantrel_reference {

// An 8-bit picture in the host's pixel layout: alpha, red, green, blue, straight colour,
// tightly packed rows, row 0 at the top.
struct Image {
  int width = 0, height = 0;
  std::vector<PF_Pixel> pixels;

  PF_Pixel& at(int x, int y);
  const PF_Pixel& at(int x, int y) const;
};

// A width x height picture with every pixel set to fill.
Image makeImage(int width, int height, PF_Pixel fill = PF_Pixel{0, 0, 0, 0});

struct Vec2 {
  double x = 0.0, y = 0.0;
};

// Four channels in the order a shader sees them: r, g, b, a.
struct Rgba {
  double r = 0.0, g = 0.0, b = 0.0, a = 0.0;
};

// Row-major 2x3 affine map: (x, y) -> (a x + b y + c, d x + e y + f).
struct Affine {
  double a, b, c, d, e, f;
};

Vec2 apply(const Affine& m, Vec2 p);

// ---- What the host hands the effect for one frame --------------------------------

struct HostValues {
  A_long shapeType = 0;
  A_long shapeSize1 = 0, shapeSize2 = 0;
  PF_Fixed centerX = 0, centerY = 0;  // 16.16, pixels of the downsampled frame
  PF_Fixed rotation = 0;              // 16.16 degrees
  A_long fillType = 0;
  A_long transparentBackground = 0;
  A_long edgeType = 0;
  A_long shadowSize = 0;
  PF_Pixel shadowColor = {0, 0, 0, 0};
  double shadowOpacity = 0.0;
  A_long strokeSize = 0;
  PF_Pixel strokeColor = {0, 0, 0, 0};
  double strokeOpacity = 0.0;
  A_long instances = 0;
  double shapeSize1Offset = 0.0, shapeSize2Offset = 0.0;
  double positionXOffset = 0.0, positionYOffset = 0.0;
  double scaleXOffset = 0.0, scaleYOffset = 0.0;
  double rotationOffset = 0.0;
  double opacityOffset = 0.0;
};

// fullWidth, fullHeight: the full-resolution layer's size; downsample: the frame is
// 1/downsample of it in each direction. The centre (or the layer's centre when it is at
// its default) is divided by downsample and rounded to the nearest 16.16 value, the
// rotation rounded to the nearest 16.16 value; sliders and colours pass unchanged.
HostValues hostValues(const SceneValues& values, int fullWidth, int fullHeight, unsigned downsample);

// ---- The render record after the parameter snapshot ------------------------------

// Field types follow the record: float where it stores float.
struct FrameValues {
  int shapeType = 0;
  float shapeSize1 = 0.0f, shapeSize2 = 0.0f;
  Vec2 center;  // whole pixels: the floor of the 16.16 value
  float shapeRotation = 0.0f;
  bool edgeIsShadow = false;
  float shadowSize = 0.0f;
  Rgba shadowColor;
  float shadowOpacity = 0.0f;
  float strokeSize = 0.0f;
  Rgba strokeColor;
  float strokeOpacity = 0.0f;
  bool fillOutside = false;
  bool transparentBackground = false;
  int instances = 0;
  float shapeSize1Offset = 0.0f, shapeSize2Offset = 0.0f;
  float positionXOffset = 0.0f, positionYOffset = 0.0f;
  float scaleXOffset = 0.0f, scaleYOffset = 0.0f;
  float rotationOffset = 0.0f;
  float opacityOffset = 0.0f;
};

// The snapshot's conversions; downsample is the horizontal downsample denominator.
FrameValues takeSnapshot(const HostValues& host, unsigned downsample);

// ---- The shape pass ---------------------------------------------------------------

// The placement R(angle) * diag(scale) * (p - origin) + translation, with the angle in
// degrees turned into radians by the factor 0.017453292519943.
Affine makePlacement(Vec2 origin, Vec2 translation, Vec2 scale, double angleDegrees);

// The inverse of m, or the identity when |det| < 0.000001.
Affine invertOrIdentity(const Affine& m);

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
  double multiplier16bit = 1.0;
  std::vector<Affine> transforms;  // per instance: output pixel -> instance frame
  Affine shapeTransform{1, 0, 0, 0, 1, 0};  // shape rotation, not inverted
};

// Uniform choices and instance matrices for a frame of width x height pixels.
ShapeUniforms shapePassUniforms(const FrameValues& frame, int width, int height);

// ---- The fragment arithmetic ------------------------------------------------------

// The distance function of shapeType (1 to 9) with its origin at 0, evaluated at the
// sample point q: negative inside, 0 on the boundary, positive outside, in pixels.
// Throws std::invalid_argument for a type outside 1 to 9.
double shapeDistance(int shapeType, double qx, double qy, double size1, double size2);

// Edge strength at signed distance d (already multiplied by the fill's sign) for an edge
// of the given width; shadow selects the shadow ramp, otherwise the stroke ramp. A shadow
// of width 0 (or less) has strength 0.
double edgeStrength(double d, double width, bool shadow);

// GL_LINEAR sampling with clamp to edge of the input as the input texture holds it:
// the channels r, g, b, a carry the host's alpha, red, green, blue bytes / 255.
Rgba sampleTexture(const Image& input, Vec2 uv);

// Mirrored repetition of texture coordinates.
Vec2 clampUV(Vec2 uv);

// The shape program's colour at output pixel (x, y): premultiplied r, g, b, a times
// multiplier16bit, before any quantisation.
Rgba shadePixel(const Image& input, const ShapeUniforms& uniforms, int x, int y);

// The 8-bit chain after the shape program: each channel stored as an 8-bit normalised
// value in the layer, the resolve of identical samples, the conversion program's
// un-premultiplication and its 8-bit output, as host bytes alpha, red, green, blue.
PF_Pixel storeAndConvert(const Rgba& premultiplied, double multiplier16bit = 1.0);

// ---- The whole frame --------------------------------------------------------------

// The frame the effect renders from input, which is already at the frame's resolution;
// the full-resolution layer is input's size times downsample. Throws
// std::invalid_argument for an empty or inconsistent input, a downsample of 0, a shape
// type outside 1 to 9 or an instance count outside 1 to 20 (the host never hands those).
Image renderReference(const Image& input, const SceneValues& values, unsigned downsample = 1);

}  // namespace vantrel_reference
