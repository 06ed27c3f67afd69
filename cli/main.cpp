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
#ifndef _WIN32
#include "FarmCommand.h"
#endif

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

// The options of a render, which a farm takes as well.
struct RenderOptions {
  vantrel::RenderRequest request;
  std::string size, fps, pixelFormat = "rgba", outputFormat = "rgba", ffmpeg;
};

void addRenderOptions(CLI::App* command, RenderOptions& o) {
  command->add_option("input", o.request.input.path,
                     "Picture, numbered pattern (shot_%04d.png, shot_####.png), video, or - for raw frames "
                     "on stdin (default: a built-in 1280x720 picture). A name with %04d or #### is a pattern "
                     "when no file has that very name or --frames is given");
  command->add_option("-o,--output", o.request.output.path,
                     "Picture, pattern, video, or - for raw frames on stdout. A name with %04d or #### is a "
                     "pattern when the run has several frames or --frames is given");
  // One NAME=VALUE per --set, so that a following input name is not taken for a second.
  command->add_option("--set", o.request.assignments,
                     "Set a control: \"NAME=VALUE\", or keys \"NAME=VALUE@TIME;VALUE@TIME\" with times as 2s "
                     "or 48f (repeatable; vantrel info lists the controls)")
      ->allow_extra_args(false);
  command->add_option("--preset", o.request.preset, "Controls from a JSON file; --set options apply after it");
  command->add_option("--save-preset", o.request.savePreset, "Write the controls as set to a JSON file");
  command->add_option("--frames", o.request.frames,
                     "Frame numbers: 1-100, 1-100x2, 3,7,10-20 (a video's count from 0, in increasing order)");
  command->add_option("--fps", o.fps,
                     "Frames per second, for the time of each frame: 25, 29.97, 30000/1001, ntsc, pal... "
                     "(default: the video's, else 24)");
  command->add_option("--downsample", o.request.downsample, "Render at 1/N of the size, as a host's preview does");
  command->add_option("--size", o.size, "WIDTHxHEIGHT of raw input frames");
  command->add_option("--pix-fmt", o.pixelFormat,
                     "Byte order of raw input frames (rgba, argb), or the output video's pixel format "
                     "(yuv420p, yuv444p10le...)");
  command->add_option("--out-pix-fmt", o.outputFormat, "Byte order of raw output frames (default: as --pix-fmt)")
      ->check(CLI::IsMember({"rgba", "argb"}));
  command->add_option("--start", o.request.input.start,
                     "Seconds of a video input skipped before the first frame (also -ss); frames keep their time "
                     "in the file, so keys at 2.5s apply to the frame at 2.5 s");
  command->add_option("-t,--duration", o.request.input.duration, "Seconds of a video input read");
  command->add_flag("!--no-auto-orient", o.request.input.autoOrient, "Keep a JPEG's stored orientation (no EXIF turn)");
  command->add_option("--codec", o.request.output.encoding.codec, "The output video's encoder (libx264, libx265, prores_ks...)");
  command->add_option("--crf,--quality", o.request.output.encoding.crf,
                     "The output video's constant quality: lower is better (H.264 default 18)");
  command->add_flag("!--no-audio", o.request.output.audio, "Leave the input's audio out of a video output (also -an)");
  command->add_option("--ffmpeg", o.ffmpeg, "ffmpeg for video files, with ffprobe beside it (default: the ones on PATH)");
  command->add_flag("-n,--no-clobber", o.request.output.noClobber, "Refuse to replace an existing output file")
      ->excludes(command->add_flag("-y,--overwrite", "Replace an existing output file (the default)"));
  command->add_option("--threads", o.request.threads, "Frames written at once (default 2)");
  command->add_flag("-q,--quiet", o.request.quiet, "No progress line");
  command->add_flag("-v,--verbose", o.request.verbose,
                   "Show the effect's diagnostics (its OpenGL contexts, shader logs) on stderr");
  command->add_option("--progress", o.request.progressFile, "Write key=value progress blocks to FILE (- for stdout)");
}

// The request as the options give it, once parsed.
void completeRequest(CLI::App* command, RenderOptions& o) {
  vantrel::RenderRequest& request = o.request;
  if (!o.size.empty()) request.input.size = sizeOf(o.size);
  if (isRawByteOrder(o.pixelFormat)) {
    request.input.pixelFormat = pixelFormatOf(o.pixelFormat);
    request.output.pixelFormat = pixelFormatOf(command->count("--out-pix-fmt") ? o.outputFormat : o.pixelFormat);
  } else {
    request.output.encoding.pixelFormat = o.pixelFormat;
    request.output.pixelFormat = pixelFormatOf(o.outputFormat);
  }
  if (!o.fps.empty()) request.fps = vantrel::parseFrameRate(o.fps);
  if (!o.ffmpeg.empty()) vantrel::useFfmpegAt(o.ffmpeg);
}

#ifndef _WIN32
// The render options given to a farm, as every task and the join take them again:
// those the pictures depend on, and those only the written output does.
void passOnRenderOptions(CLI::App* farm, vantrel::FarmRequest& request) {
  const std::vector<std::string> own = {"input", "--output", "--set", "--preset", "--save-preset", "--frames",
                                        "--progress", "--quiet", "--help", "--chunk", "--partition", "--sbatch-arg",
                                        "--gpus-per-task", "--work", "--wait", "--dry-run"};
  const std::vector<std::string> encoding = {"--codec", "--crf", "--pix-fmt", "--out-pix-fmt", "--no-audio",
                                             "--no-clobber", "--overwrite"};
  for (const CLI::Option* option : farm->get_options()) {
    const std::string name = option->get_name();
    if (option->count() == 0 || std::find(own.begin(), own.end(), name) != own.end()) continue;
    std::vector<std::string>& into = name == "--start" || name == "--duration" ? request.trimArguments
                                     : std::find(encoding.begin(), encoding.end(), name) != encoding.end()
                                         ? request.encodingArguments
                                         : request.pictureArguments;
    if (option->get_expected_min() == 0) {
      into.push_back(name);
      continue;
    }
    for (const std::string& value : option->results()) into.insert(into.end(), {name, value});
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  vantrel::setUpProcess();
  CLI::App app{"vantrel: the QN Vantrel echo effect, rendered on the GPU", "vantrel"};
  app.set_version_flag("--version", std::string("vantrel ") + VANTREL_VERSION);
  app.require_subcommand(0, 1);

  std::string module;
  app.add_option("--module", module, "Effect module to load (default: $VANTREL_MODULE, else the QNVantrel module beside vantrel)");

  CLI::App* info = app.add_subcommand("info", "Show the effect's identity, about text and controls");

  RenderOptions renderOptions;
  CLI::App* render = app.add_subcommand("render", "Apply the effect to pictures, sequences, raw frames or video");
  addRenderOptions(render, renderOptions);
  render->add_option("--pictures-from", renderOptions.request.picturesFrom, "A farm's join: the pictures rendered")
      ->group("");
#ifndef _WIN32
  RenderOptions farmOptions;
  vantrel::FarmRequest farmRequest;
  CLI::App* farm = app.add_subcommand("farm", "Render as a Slurm array job, a chunk of frames per task, then join");
  addRenderOptions(farm, farmOptions);
  farm->add_option("--chunk", farmRequest.chunk, "Frames per task")->required();
  farm->add_option("--partition", farmRequest.partition, "The Slurm partition of every job");
  farm->add_option("--sbatch-arg", farmRequest.sbatchArguments, "An option for sbatch, for every job (repeatable)")
      ->allow_extra_args(false);
  farm->add_option("--gpus-per-task", farmRequest.gpusPerTask, "GPUs for each task");
  farm->add_option("--work", farmRequest.work, "The work folder every node sees (default: OUTPUT.farm)");
  farm->add_flag("--wait", farmRequest.wait, "Stay until the join ends, with a progress line");
  farm->add_flag("--dry-run", farmRequest.dryRun, "Print the job scripts; submit nothing");
#endif

  // ffmpeg's spellings that are not single letters.
  std::vector<std::string> arguments = vantrel::commandLineArguments(argc, argv);
  for (std::string& argument : arguments) {
    if (argument == "-ss") argument = "--start";
    if (argument == "-an") argument = "--no-audio";
  }
  try {
    refuseUnknownCommand(arguments, {"info", "render", "farm"});
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
      completeRequest(render, renderOptions);
      return vantrel::runRender(vantrel::resolveModulePath(module), renderOptions.request);
    }
#ifndef _WIN32
    if (farm->parsed()) {
      completeRequest(farm, farmOptions);
      farmRequest.render = farmOptions.request;
      farmRequest.module = module;
      passOnRenderOptions(farm, farmRequest);
      return vantrel::runFarm(vantrel::resolveModulePath(module), farmRequest);
    }
#endif
  } catch (const std::exception& e) {
    std::cerr << "vantrel: " << e.what() << "\n";
    return 1;
  }
  std::cerr << app.help();
  return 1;
}
