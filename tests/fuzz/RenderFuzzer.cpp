// Fuzzes the render command through the substitute host. The bytes give the frame's size
// (1 to 64 pixels each way), its downsample factor (1 to 4), the worlds' row padding, an
// output of another size, each control a value in or out of its range (a host may hand
// anything), and the input's pixels. Each case renders into outputs filled with 0x00 and
// with 0xFF: both fail alike with a one-line reason, the outputs untouched, or both write
// every pixel the frame covers alike and no other byte, each pixel of alpha 0 as (0, 0, 0, 0).
#include <algorithm>
#include <cmath>

#include "FuzzInput.h"
#include "ParamIndex.h"

using namespace vantrel_fuzz;

// A value by the control's type: near its valid range, or anything the host's
// representation of it holds (NaN and the infinities for a float).
static minihost::ParamValue fuzzedValue(const minihost::DeclaredParam& param, FuzzInput& in) {
  const PF_ParamDefUnion& u = param.raw().u;
  const bool wild = in.byte() % 2;
  switch (param.type()) {
    case PF_Param_POPUP: return {double(wild ? in.next<std::int32_t>() : in.byte() % (u.pd.num_choices + 2))};
    case PF_Param_SLIDER: return {wild ? in.next<std::int32_t>() : std::round(in.between(u.sd.valid_min - 2, u.sd.valid_max + 2))};
    case PF_Param_FLOAT_SLIDER: return {wild ? in.next<double>() : in.between(u.fs_d.valid_min - 1, u.fs_d.valid_max + 1)};
    case PF_Param_ANGLE: return {in.next<std::int32_t>() / 65536.0};
    case PF_Param_CHECKBOX: return {double(wild ? in.byte() : in.byte() % 2)};
    case PF_Param_COLOR: return {double(in.byte()), double(in.byte()), double(in.byte()), double(in.byte())};
    case PF_Param_POINT: return {in.between(-8192, 8192), in.between(-8192, 8192)};
    default: return {};
  }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::freopen("/dev/null", "w", stdout)) fail("no /dev/null");  // the effect's OpenGL information
  session = std::make_unique<vantrel_test::DeclaredHost>();
  if (session->host.globalSetup()) fail(std::string("global setup: ") + session->host.outData().return_msg);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  minihost::Host& host = session->host;
  FuzzInput in{data, size};
  const A_long width = 1 + in.byte() % 64, height = 1 + in.byte() % 64;
  minihost::FrameTime time;
  time.downsample = 1 + in.byte() % 4;
  const std::uint8_t layout = in.byte();
  const auto padding = [&](int code) { return code == 3 ? 1 + in.byte() % 15 : code * 4; };  // whole pixels, or any bytes
  const A_long inputPadding = padding(layout & 3), outputPadding = padding(layout >> 2 & 3);
  const A_long outputWidth = layout & 0x10 ? 1 + in.byte() % 64 : width;
  const A_long outputHeight = layout & 0x10 ? 1 + in.byte() % 64 : height;
  minihost::EffectInstance& instance = host.newInstance();
  for (PF_ParamIndex i = 1; i < Quillon::Vantrel::kParamCount; ++i) {
    const minihost::DeclaredParam& param = host.params()[std::size_t(i)];
    const minihost::ParamValue value = fuzzedValue(param, in);
    // Shape Center follows the layer while it has never been set.
    const bool leftAtDefault = i == Quillon::Vantrel::kShapeCenter && (layout & 0x20);
    if (param.type() != PF_Param_GROUP_START && param.type() != PF_Param_GROUP_END && !leftAtDefault) instance.set(i, value);
  }
  minihost::World input(width, height, inputPadding), first(outputWidth, outputHeight, outputPadding),
      second(outputWidth, outputHeight, outputPadding);
  for (A_long i = 0; i < width * height * 4; ++i) {  // the bytes left, over and over
    reinterpret_cast<std::uint8_t*>(&input.at(i / 4 % width, i / 4 / width))[i % 4] =
        in.at < size ? data[in.at + std::size_t(i) % (size - in.at)] : std::uint8_t(i * 37);
  }
  std::fill(first.bytes().begin(), first.bytes().end(), 0x00);
  std::fill(second.bytes().begin(), second.bytes().end(), 0xFF);
  host.outData().return_msg[0] = '\0';
  const PF_Err err = host.render(instance, input, first, time), again = host.render(instance, input, second, time);
  const std::string reason = host.outData().return_msg;
  if (err != again || (err && err != PF_Err_BAD_CALLBACK_PARAM && err != PF_Err_OUT_OF_MEMORY)) fail("error " + std::to_string(err));
  if (err && (reason.empty() || reason.find('\n') != std::string::npos)) fail("no one-line reason: " + reason);
  for (A_long y = 0; y < first.height(); ++y) {
    const auto* a = reinterpret_cast<const std::uint8_t*>(first.row(y));
    const auto* b = reinterpret_cast<const std::uint8_t*>(second.row(y));
    for (A_long i = 0; i < first.rowbytes(); ++i) {
      const bool covered = !err && y < height && i < std::min(width, outputWidth) * 4;
      if (covered ? a[i] != b[i] : a[i] != 0x00 || b[i] != 0xFF) fail(covered ? "a pixel not written" : "a byte outside written");
      if (covered && i % 4 == 0 && a[i] == 0 && (a[i + 1] || a[i + 2] || a[i + 3])) fail("a pixel of alpha 0 has colour");
    }
  }
  if (!vantrel_test::leaksNothing(host)) fail("the effect holds host suites or handles after the frame");
  host.journal().clear();
  host.dropInstance(instance);
  return 0;
}
