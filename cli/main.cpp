// vantrel: applies the QN Vantrel effect through the substitute host.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "Ffmpeg.h"
#include "InfoCommand.h"
#include "ModulePath.h"
#include "NearestName.h"
#include "RenderCommand.h"
#include "StandardStreams.h"

namespace {

vantrel::PixelFormat pixelFormatOf(const std::string& name) {
  return name == "argb" ? vantrel::PixelFormat::Argb : vantrel::PixelFormat::Rgba;
}

bool isRawByteOrder(const std::string& name) { return name == "rgba" || name == "argb"; }

std::pair<std::uint32_t, std::uint32_t> sizeOf(const std::string& text) {
  unsigned width = 0, height = 0;
  char by = 0, extra = 0;
  if (std::sscanf(text.c_str(), "%u%c%u%c", &width, &by, &height, &extra) != 3 || (by != 'x' && by != 'X') ||
      width == 0 || height == 0 || width > 32768 || height > 32768) {
    throw std::runtime_error("--size takes WIDTHxHEIGHT, each 1 to 32768, not \"" + text + "\"");
  }
  return {width, height};
}

// The command named before anything else, when it is not one of ours: "did you mean".
void refuseUnknownCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& commands) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--module") {
      ++i;
      continue;
    }
    if (word.empty() || word[0] == '-') continue;
    if (std::find(commands.begin(), commands.end(), word) != commands.end()) return;
    const std::string nearest = vantrel::nearestName(word, commands);
    throw std::runtime_error("no command \"" + word + "\"" + (nearest.empty() ? "" : "; did you mean \"" + nearest + "\"?") +
                             " (see vantrel --help)");
  }
}

}  // namespace

int main(int argc, char** argv) {
  vantrel::setUpProcess();
  CLI::App app{"vantrel: the QN Vantrel echo effect, rendered on the GPU", "vantrel"};
  app.set_version_flag("--version", std::string("vantrel ") + VANTREL_VERSION);
  app.require_subcommand(0, 1);

  std::string module;
  app.add_option("--module", module, "Effect module to load (default: $VANTREL_MODULE, else the QNVantrel module beside vantrel)");

  CLI::App* info = app.add_subcommand("info", "Show the effect's identity, about text and controls");

  vantrel::RenderRequest request;
  std::string size, fps, pixelFormat = "rgba", outputFormat = "rgba";
  CLI::App* render = app.add_subcommand("render", "Apply the effect to pictures, sequences, raw frames or video");
  render->add_option("input", request.input.path,
                     "Picture, numbered pattern (shot_%04d.png, shot_####.png), video, or - for raw frames "
                     "on stdin (default: a built-in 1280x720 picture). A name with %04d or #### is a pattern "
                     "when no file has that very name or --frames is given");
  render->add_option("-o,--output", request.output.path,
                     "Picture, pattern, video, or - for raw frames on stdout. A name with %04d or #### is a "
                     "pattern when the run has several frames or --frames is given");
  // One NAME=VALUE per --set, so that a following input name is not taken for a second.
  render->add_option("--set", request.assignments,
                     "Set a control: \"NAME=VALUE\", or keys \"NAME=VALUE@TIME;VALUE@TIME\" with times as 2s "
                     "or 48f (repeatable; vantrel info lists the controls)")
      ->allow_extra_args(false);
  render->add_option("--preset", request.preset, "Controls from a JSON file; --set options apply after it");
  render->add_option("--save-preset", request.savePreset, "Write the controls as set to a JSON file");
  render->add_option("--frames", request.frames,
                     "Frame numbers: 1-100, 1-100x2, 3,7,10-20 (a video's count from 0, in increasing order)");
  render->add_option("--fps", fps,
                     "Frames per second, for the time of each frame: 25, 29.97, 30000/1001, ntsc, pal... "
                     "(default: the video's, else 24)");
  render->add_option("--downsample", request.downsample, "Render at 1/N of the size, as a host's preview does");
  render->add_option("--size", size, "WIDTHxHEIGHT of raw input frames");
  render->add_option("--pix-fmt", pixelFormat,
                     "Byte order of raw input frames (rgba, argb), or the output video's pixel format "
                     "(yuv420p, yuv444p10le...)");
  render->add_option("--out-pix-fmt", outputFormat, "Byte order of raw output frames (default: as --pix-fmt)")
      ->check(CLI::IsMember({"rgba", "argb"}));
  render->add_option("--start", request.input.start,
                     "Seconds of a video input skipped before the first frame (also -ss); frames keep their time "
                     "in the file, so keys at 2.5s apply to the frame at 2.5 s");
  render->add_option("-t,--duration", request.input.duration, "Seconds of a video input read");
  render->add_flag("!--no-auto-orient", request.input.autoOrient, "Keep a JPEG's stored orientation (no EXIF turn)");
  render->add_option("--codec", request.output.encoding.codec, "The output video's encoder (libx264, libx265, prores_ks...)");
  render->add_option("--crf,--quality", request.output.encoding.crf,
                     "The output video's constant quality: lower is better (H.264 default 18)");
  render->add_flag("!--no-audio", request.output.audio, "Leave the input's audio out of a video output (also -an)");
  std::string ffmpeg;
  render->add_option("--ffmpeg", ffmpeg, "ffmpeg for video files, with ffprobe beside it (default: the ones on PATH)");
  render->add_flag("-n,--no-clobber", request.output.noClobber, "Refuse to replace an existing output file")
      ->excludes(render->add_flag("-y,--overwrite", "Replace an existing output file (the default)"));
  render->add_option("--threads", request.threads, "Frames written at once (default 2)");
  render->add_flag("-q,--quiet", request.quiet, "No progress line");
  render->add_flag("-v,--verbose", request.verbose,
                   "Show the effect's diagnostics (its OpenGL contexts, shader logs) on stderr");
  render->add_option("--progress", request.progressFile, "Write key=value progress blocks to FILE (- for stdout)");

  // ffmpeg's spellings that are not single letters.
  std::vector<std::string> arguments = vantrel::commandLineArguments(argc, argv);
  for (std::string& argument : arguments) {
    if (argument == "-ss") argument = "--start";
    if (argument == "-an") argument = "--no-audio";
  }
  try {
    refuseUnknownCommand(arguments, {"info", "render"});
  } catch (const std::exception& e) {
    std::cerr << "vantrel: " << e.what() << "\n";
    return 2;
  }
  std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
  try {
    app.parse(arguments);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    std::cerr << "vantrel: " << e.what() << " (see vantrel --help)\n";
    return 2;
  }

  try {
    if (info->parsed()) return vantrel::runInfo(vantrel::resolveModulePath(module), std::cout);
    if (render->parsed()) {
      if (!size.empty()) request.input.size = sizeOf(size);
      if (isRawByteOrder(pixelFormat)) {
        request.input.pixelFormat = pixelFormatOf(pixelFormat);
        request.output.pixelFormat = pixelFormatOf(render->count("--out-pix-fmt") ? outputFormat : pixelFormat);
      } else {
        request.output.encoding.pixelFormat = pixelFormat;
        request.output.pixelFormat = pixelFormatOf(outputFormat);
      }
      if (!fps.empty()) request.fps = vantrel::parseFrameRate(fps);
      if (!ffmpeg.empty()) vantrel::useFfmpegAt(ffmpeg);
      return vantrel::runRender(vantrel::resolveModulePath(module), request);
    }
  } catch (const std::exception& e) {
    std::cerr << "vantrel: " << e.what() << "\n";
    return 1;
  }
  std::cerr << app.help();
  return 1;
}
