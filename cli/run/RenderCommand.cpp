#include "RenderCommand.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "Downsample.h"
#include "FileIdentities.h"
#include "EffectCall.h"
#include "FramePipeline.h"
#include "FrameRange.h"
#include "Host.h"
#include "Interrupt.h"
#include "ParamAssignment.h"
#include "Preset.h"
#include "EffectDiagnostics.h"
#include "MediaFiles.h"
#include "PartPictures.h"
#include "StandardStreams.h"

namespace vantrel {
namespace {

// Global setup on construction; global setdown on destruction for a session that
// ends by an error (its result is then beside the point), or checked by end().
class GlobalSession {
 public:
  explicit GlobalSession(minihost::Host& host) : host_(host) {
    callEffect(host_, "global setup", [&] { return host_.globalSetup(); });
    open_ = true;
  }
  ~GlobalSession() {
    if (open_) host_.globalSetdown();
  }
  GlobalSession(const GlobalSession&) = delete;
  GlobalSession& operator=(const GlobalSession&) = delete;

  void end() {
    open_ = false;
    callEffect(host_, "global setdown", [&] { return host_.globalSetdown(); });
  }

 private:
  minihost::Host& host_;
  bool open_ = false;
};

// The host's time for a frame at `seconds`, in units fine enough for a frame of a
// variable-rate video between the rate's own steps: at least 1/24000 s, and frame n of a
// rate numerator/denominator exactly at n steps. 32 bits of them last about a day.
minihost::FrameTime frameTime(double seconds, FrameRate rate, unsigned downsample) {
  const long units = std::max(1L, 24000 / rate.numerator);
  minihost::FrameTime time;
  time.timeStep = A_long(rate.denominator * units);
  time.timeScale = A_u_long(rate.numerator * units);
  time.time = A_long(std::llround(seconds * double(time.timeScale)));
  time.downsample = downsample;
  return time;
}

bool sameName(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return !a.empty() && !b.empty() &&
         std::filesystem::weakly_canonical(std::filesystem::u8path(a), ignored) ==
             std::filesystem::weakly_canonical(std::filesystem::u8path(b), ignored);
}

// Refuses, before anything is read, to write over a file the run reads, or under -n over
// any frame of a numbered output that exists.
void refuseWritingOverInputs(const InputSpec& input, const FrameSource& source, const RenderRequest& request,
                             const OutputSpec& output) {
  FileIdentities inputs;
  if (input.path != "-") inputs.add(input.path);
  for (const std::string& file : source.files()) inputs.add(file);
  std::vector<std::string> written = {request.savePreset, request.progressFile};
  if (const std::optional<FramePattern> pattern = outputPattern(output, source.count())) {
    for (long number : pattern->existingNumbers()) written.push_back(pattern->path(number));
    for (long number : output.noClobber ? source.numbers() : std::vector<long>{}) {
      if (pathExists(pattern->path(number))) throw existsError(pattern->path(number));
    }
  } else if (output.path != "-") {
    written.push_back(output.path);
  }
  for (const std::string& path : written) {
    if (!path.empty() && path != "-" && inputs.holds(path)) {
      throw std::runtime_error("cannot write " + path + ": it is an input of this run; name another output");
    }
  }
}

// A video's frames are all of one size: a sequence of pictures of mixed sizes is refused
// before the first frame is rendered, from the pictures' headers.
void refuseMixedSizes(const InputSpec& input, const FrameSource& source, const OutputSpec& output) {
  if (!source.numbered() || output.path == "-" || fileKindOf(output.path) != FileKind::Video) return;
  const std::vector<std::string> files = source.files();
  const std::vector<long> numbers = source.numbers();
  std::optional<std::pair<std::uint32_t, std::uint32_t>> first;
  std::size_t firstAt = 0;
  const auto text = [](const std::pair<std::uint32_t, std::uint32_t>& size) {
    return std::to_string(size.first) + "x" + std::to_string(size.second);
  };
  for (std::size_t i = 0; i < files.size() && i < numbers.size(); ++i) {
    const auto size = stillSize(files[i], input.autoOrient);
    if (!size || (first && *size == *first)) continue;
    if (!first) {
      first = size, firstAt = i;
      continue;
    }
    throw std::runtime_error("cannot write " + output.path + ": frame " + std::to_string(numbers[i]) + " is " +
                             text(*size) + ", but frame " + std::to_string(numbers[firstAt]) + " is " + text(*first) +
                             "; a video's frames are all one size");
  }
}

// Whether the effect's transparent background is on at any time, so that a video output
// keeps the alpha.
bool transparentBackground(const minihost::Host& host, const minihost::EffectInstance& instance) {
  const PF_ParamIndex index = host.findParam("Transparent Background");
  if (index <= 0) return false;
  for (const minihost::Keyframe& key : instance.keyframes(index)) {
    if (key.value[0] != 0) return true;
  }
  return false;
}

void checkRequest(const RenderRequest& request) {
  if (request.downsample < 1 || request.downsample > 64) throw std::runtime_error("--downsample takes 1 to 64");
  if (request.threads < 1 || request.threads > 64) throw std::runtime_error("--threads takes 1 to 64");
  if (request.output.path.empty() && request.savePreset.empty()) throw std::runtime_error("no output named (-o FILE)");
  if (request.output.path == "-" && standardOutputIsTerminal()) {
    throw std::runtime_error("raw frames are not for a terminal: redirect standard output, or name an output file");
  }
  if (request.output.path == "-" && request.progressFile == "-") {
    throw std::runtime_error("--progress - would mix with the raw frames on standard output; name a file");
  }
  if (!request.savePreset.empty() && sameName(request.savePreset, request.output.path)) {
    throw std::runtime_error("--save-preset names the output, " + request.output.path + "; name another file");
  }
  if (request.input.path == "-" && !request.output.encoding.pixelFormat.empty()) {
    throw std::runtime_error("--pix-fmt takes rgba or argb for raw input frames, not " +
                             request.output.encoding.pixelFormat);
  }
}

}  // namespace

int runRender(const std::string& modulePath, const RenderRequest& request) {
  InputSpec input = request.input;
  if (!request.frames.empty()) input.frames = parseFrameRange(request.frames);
  OutputSpec output = request.output;
  output.numbered = !input.frames.empty();
  checkRequest(request);

  minihost::Host host(modulePath);
  callEffect(host, "parameter setup", [&] { return host.paramsSetup(); });
  minihost::EffectInstance& instance = host.newInstance();

  // Opened before the controls are read, so that a video's own rate times its frames.
  std::unique_ptr<FrameSource> source = request.output.path.empty() ? nullptr : openSource(input);
  if (source) output.numbered = output.numbered || source->numbered();
  if (source) refuseWritingOverInputs(input, *source, request, output);
  if (source) refuseMixedSizes(input, *source, output);
  const FrameRate rate = request.fps.value_or(source && source->fps() ? *source->fps() : FrameRate{});
  const double fps = rate.value();
  if (!request.preset.empty()) loadPreset(host, instance, request.preset, fps);
  for (const std::string& assignment : request.assignments) applyParamAssignment(host, instance, assignment, fps);
  if (!request.savePreset.empty()) savePreset(host, instance, request.savePreset);
  if (!source) return 0;
  if (!request.picturesFrom.empty()) source = picturesFrom(std::move(source), request.picturesFrom);

  output.fps = rate;
  output.input = source->traits();
  if (request.fps && source->fps()) output.input.audioTempo = request.fps->value() / source->fps()->value();
  const std::vector<long> numbers = source->numbers();
  for (std::size_t i = 1; i < numbers.size(); ++i) output.input.framesApart |= numbers[i] != numbers[i - 1] + 1;
  output.input.hasAlpha = output.input.hasAlpha || transparentBackground(host, instance);
  // Opened before any GL work, so that an output that cannot be written is refused first.
  std::unique_ptr<FrameSink> sink = openSink(output, source->count());
  const unsigned writers = sink->takesFramesInAnyOrder() ? request.threads : 1;
  ProgressReport progress(!request.quiet && standardErrorIsTerminal(), request.progressFile, source->count(), fps);

  const EffectDiagnostics diagnostics(request.verbose);
  const InterruptRequest interrupt;
  GlobalSession session(host);
  FrameWork work;
  work.prepare = [&](const RgbaImage& picture, WorldPool& worlds) {
    RgbaImage reduced;
    const bool reduce = request.downsample > 1 && request.picturesFrom.empty();
    if (reduce) reduced = downsample(picture, request.downsample);
    const RgbaImage& layer = reduce ? reduced : picture;
    minihost::World world = worlds.take(A_long(layer.width), A_long(layer.height));
    toWorld(layer, world);
    return world;
  };
  work.render = [&](minihost::World& in, minihost::World& out, double seconds) {
    if (!request.picturesFrom.empty()) {  // rendered already
      for (A_long y = 0; y < in.height(); ++y) std::copy(in.row(y), in.row(y) + in.width(), out.row(y));
      return;
    }
    callEffect(host, "render", [&] { return host.render(instance, in, out, frameTime(seconds, rate, request.downsample)); });
  };
  work.rate = rate;
  const PipelineResult result = runPipeline(*source, *sink, work, writers, progress, InterruptRequest::flag());
  session.end();
  if (result.interrupted) {
    std::cerr << "vantrel: interrupted; " << result.frames << (result.frames == 1 ? " frame" : " frames")
              << " written\n";
    return InterruptRequest::exitCode();
  }
  return 0;
}

}  // namespace vantrel
