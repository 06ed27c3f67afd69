// Fuzzes the render command through the substitute host. The bytes give every control a
// value, inside or outside its valid range (a host may hand anything), the frame's size
// (1 to 64 pixels each way), its downsample factor (1 to 4), the worlds' row padding, an
// output of another size, and the input's pixels.
//
// Each case is rendered twice, into outputs filled with two different bytes. Either both
// renders fail, with a host error, a one-line reason and both outputs untouched, or both
// succeed and agree on every pixel the frame covers (so every one of them was written),
// leave every other byte alone, and give each pixel of alpha 0 as (0, 0, 0, 0).
//
// The module is loaded, and global setup done, once per process.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "Host.h"
#include "HostError.h"
#include "ParamIndex.h"

namespace {

using minihost::EffectInstance;
using minihost::World;
using vantrel_fuzz::FuzzInput;
using namespace Quillon::Vantrel;

struct Session {
  std::unique_ptr<minihost::Host> host;
  // Shape Center follows the layer only while it has never been set, so one instance
  // keeps it at its default and the other takes the fuzzed points.
  EffectInstance* centerAtDefault = nullptr;
  EffectInstance* centerSet = nullptr;
};

Session session;

[[noreturn]] void fail(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "render fuzzer: %s (%ld, %ld)\n", what, a, b);
  std::fflush(stderr);
  std::abort();
}

// A value for one control, by its type, from the bytes: in the valid range, in the
// slider's range, just outside, or whatever the bytes make.
minihost::ParamValue fuzzedValue(const minihost::DeclaredParam& param, FuzzInput& in, A_long width, A_long height) {
  const PF_ParamDefUnion& u = param.raw().u;
  const std::uint8_t mode = in.byte();
  switch (param.type()) {
    case PF_Param_POPUP:
      switch (mode % 4) {
        case 0: return {double(1 + in.byte() % u.pd.num_choices)};
        case 1: return {0};
        case 2: return {double(u.pd.num_choices + 1 + in.byte())};
        default: return {double(in.i32())};
      }
    case PF_Param_SLIDER:
      switch (mode % 5) {
        case 0: return {std::round(in.between(u.sd.valid_min, u.sd.valid_max))};
        case 1: return {std::round(in.between(u.sd.slider_min, u.sd.slider_max))};
        case 2: return {double(u.sd.valid_min) - 1 - in.byte()};
        case 3: return {double(u.sd.valid_max) + 1 + in.byte()};
        default: return {double(in.i32())};
      }
    case PF_Param_FLOAT_SLIDER:
      switch (mode % 5) {
        case 0: return {in.between(u.fs_d.valid_min, u.fs_d.valid_max)};
        case 1: return {in.between(u.fs_d.slider_min, u.fs_d.slider_max)};
        case 2: return {in.between(-4.0 * u.fs_d.valid_max - 1, 4.0 * u.fs_d.valid_max + 1)};
        case 3: return {in.between(-1e30, 1e30)};
        default: return {in.anyDouble()};  // NaN and the infinities too
      }
    case PF_Param_ANGLE:
      // Degrees; as 16.16 the host keeps any 32-bit value.
      return {mode % 2 ? in.between(-720, 720) : in.i32() / 65536.0};
    case PF_Param_CHECKBOX: return {double(mode % 3 == 2 ? in.byte() : mode % 2)};
    case PF_Param_COLOR: return {double(in.byte()), double(in.byte()), double(in.byte()), double(in.byte())};
    case PF_Param_POINT:
      // Layer pixels: inside the layer, or anywhere a 16.16 value of the frame reaches.
      if (mode % 2) return {in.between(0, width), in.between(0, height)};
      return {in.between(-8192, 8192), in.between(-8192, 8192)};
    default: return {};
  }
}

void fillPicture(World& world, FuzzInput& in) {
  const std::uint8_t* bytes = in.rest();
  const std::size_t count = in.restSize();
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const std::size_t at = std::size_t(y * world.width() + x) * 4;
      PF_Pixel& p = world.at(x, y);
      if (count >= 4) {
        p = PF_Pixel{bytes[at % count], bytes[(at + 1) % count], bytes[(at + 2) % count], bytes[(at + 3) % count]};
      } else {
        p = PF_Pixel{A_u_char(255 - (x + 2 * y) % 256), A_u_char(x * 37), A_u_char(y * 53), A_u_char((x ^ y) * 29)};
      }
    }
  }
}

void poison(World& world, std::uint8_t value) { std::fill(world.bytes().begin(), world.bytes().end(), value); }

bool allEqual(const World& world, std::uint8_t value) {
  return std::all_of(world.bytes().begin(), world.bytes().end(), [&](std::uint8_t b) { return b == value; });
}

void checkFailedFrame(PF_Err err, const World& first, const World& second) {
  if (err != PF_Err_BAD_CALLBACK_PARAM && err != PF_Err_OUT_OF_MEMORY) fail("unexpected error code", err);
  if (!allEqual(first, 0x00) || !allEqual(second, 0xFF)) fail("a failed frame wrote to the output");
  const std::string reason = session.host->outData().return_msg;
  if (reason.empty() || reason.find('\n') != std::string::npos) fail("the reason is not one line");
}

void checkFrame(const World& first, const World& second, A_long width, A_long height) {
  const A_long rows = std::min(height, first.height());
  const A_long columns = std::min(width, first.width());
  for (A_long y = 0; y < first.height(); ++y) {
    const auto* a = reinterpret_cast<const std::uint8_t*>(first.row(y));
    const auto* b = reinterpret_cast<const std::uint8_t*>(second.row(y));
    for (A_long i = 0; i < first.rowbytes(); ++i) {
      const bool covered = y < rows && i < columns * 4;
      if (covered && a[i] != b[i]) fail("a pixel was not written", i / 4, y);
      if (!covered && (a[i] != 0x00 || b[i] != 0xFF)) fail("a byte outside the frame was written", i, y);
    }
    for (A_long x = 0; x < columns && y < rows; ++x) {
      const PF_Pixel& p = first.at(x, y);
      if (p.alpha == 0 && (p.red || p.green || p.blue)) fail("a pixel of alpha 0 has colour", x, y);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The effect prints its OpenGL information and shader logs on standard output.
  if (std::FILE* quiet = std::freopen("/dev/null", "w", stdout)) (void)quiet;
  const char* module = std::getenv("VANTREL_MODULE");
  session.host = std::make_unique<minihost::Host>(module && *module ? module : VANTREL_MODULE_PATH);
  if (session.host->paramsSetup() != PF_Err_NONE) fail("parameters setup failed");
  session.centerAtDefault = &session.host->newInstance();
  session.centerSet = &session.host->newInstance();
  if (session.host->globalSetup() != PF_Err_NONE) {
    std::fprintf(stderr, "render fuzzer: global setup failed: %s\n", session.host->outData().return_msg);
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  minihost::Host& host = *session.host;
  FuzzInput in(data, size);
  const A_long width = 1 + in.byte() % 64;
  const A_long height = 1 + in.byte() % 64;
  minihost::FrameTime time;
  time.downsample = 1 + in.byte() % 4;
  const std::uint8_t layout = in.byte();
  // Row padding in whole pixels, or (3) in any number of bytes.
  const A_long inputPadding = (layout & 3) == 3 ? 1 + in.byte() % 15 : (layout & 3) * 4;
  const A_long outputPadding = (layout >> 2 & 3) == 3 ? 1 + in.byte() % 15 : (layout >> 2 & 3) * 4;
  A_long outputWidth = width, outputHeight = height;
  if (layout & 0x10) {
    outputWidth = 1 + in.byte() % 64;
    outputHeight = 1 + in.byte() % 64;
  }
  const A_long layerWidth = width * A_long(time.downsample), layerHeight = height * A_long(time.downsample);

  for (PF_ParamIndex index = 1; index < kParamCount; ++index) {
    const minihost::DeclaredParam& param = host.params()[std::size_t(index)];
    if (param.type() == PF_Param_GROUP_START || param.type() == PF_Param_GROUP_END) continue;
    const minihost::ParamValue value = fuzzedValue(param, in, layerWidth, layerHeight);
    session.centerSet->set(index, value);
    if (index != kShapeCenter) session.centerAtDefault->set(index, value);
  }
  EffectInstance& instance = layout & 0x20 ? *session.centerAtDefault : *session.centerSet;

  World input(width, height, inputPadding);
  fillPicture(input, in);
  World first(outputWidth, outputHeight, outputPadding), second(outputWidth, outputHeight, outputPadding);
  poison(first, 0x00);
  poison(second, 0xFF);
  const PF_Err err = host.render(instance, input, first, time);
  const PF_Err again = host.render(instance, input, second, time);
  if (err != again) fail("two renders of one case returned different codes", err, again);
  if (err != PF_Err_NONE) {
    checkFailedFrame(err, first, second);
  } else {
    checkFrame(first, second, width, height);
  }
  if (host.liveSuites() || host.liveMemoryHandles() || host.liveEffectHandles() || host.liveStreamHandles()) {
    fail("the effect holds host suites or handles after the frame");
  }
  host.journal().clear();
  return 0;
}
