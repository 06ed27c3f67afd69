#include "FarmCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "EffectCall.h"
#include "FrameRange.h"
#include "Host.h"
#include "MediaFiles.h"
#include "ParamAssignment.h"
#include "Preset.h"
#include "TemporaryFiles.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + quoted(word);
  return out;
}

std::string absolute(const std::string& path) { return fs::absolute(fs::u8path(path)).lexically_normal().u8string(); }

std::string readFile(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes a file whole: under a temporary name, then renamed into place.
void writeFile(const std::string& path, const std::string& text, bool executable = false) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(fs::u8path(temporary), std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  if (executable) fs::permissions(fs::u8path(temporary), fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add);
  fs::rename(fs::u8path(temporary), fs::u8path(path));
}

// Frame numbers as --frames takes them: runs of consecutive numbers as FIRST-LAST.
std::string frameList(const std::vector<long>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    text += (text.empty() ? "" : ",") + std::to_string(numbers[i]) + (j > i ? "-" + std::to_string(numbers[j]) : "");
    i = j + 1;
  }
  return text;
}

// "SIZE MTIME PATH" of each file the render reads, for the tasks to refuse a changed input.
std::string inputStamps(const std::vector<std::string>& files) {
  std::string text;
  for (const std::string& file : files) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) throw std::runtime_error("cannot read " + file);
    text += std::to_string(info.st_size) + " " + std::to_string(info.st_mtime) + " " + absolute(file) + "\n";
  }
  return text;
}

// The controls as the render resolves them (--preset, then each --set, frames counted at
// `fps`), as a preset file's text.
std::string resolvedSettings(const std::string& modulePath, const RenderRequest& request, double fps,
                             const std::string& besides) {
  minihost::Host host(modulePath);
  callEffect(host, "parameter setup", [&] { return host.paramsSetup(); });
  minihost::EffectInstance& instance = host.newInstance();
  if (!request.preset.empty()) loadPreset(host, instance, request.preset, fps);
  for (const std::string& assignment : request.assignments) applyParamAssignment(host, instance, assignment, fps);
  HiddenTemporary file(besides, ".json");
  savePreset(host, instance, file.path());
  return readFile(file.path());
}

// Runs a command line through the shell; its standard output, or throws with `what`.
std::string commandOutput(const std::string& command, const std::string& what) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + what);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (::pclose(pipe) != 0) throw std::runtime_error(what + " failed" + (out.empty() ? "" : ": " + out));
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// A path as sbatch's --output takes it, where %a is the array task's index and %% a '%'.
std::string sbatchPath(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '%' ? std::string("%%") : std::string(1, c);
  return out;
}

std::string thisProgram() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string("vantrel") : self.u8string();
}

// The job ids squeue lists as queued or running (an array job by its own id).
std::set<std::string> queuedJobs() {
  std::set<std::string> queued;
  std::istringstream lines(commandOutput("squeue -h -o %F", "squeue"));
  for (std::string line; std::getline(lines, line);) queued.insert(line);
  return queued;
}

struct Chunk {
  std::vector<long> numbers;
  bool finished = false;
};

// Stays until neither job is queued or running, with a progress line; then says how the
// farm ended. Returns 0 once the join wrote the output, else throws naming the chunks
// with no part and their logs.
int waitForFarm(const std::vector<Chunk>& chunks, const std::string& work, const std::string& arrayId,
                const std::string& joinId, const std::string& output, bool quiet) {
  const auto start = std::chrono::steady_clock::now();
  std::size_t lastDone = std::size_t(-1);
  for (;;) {
    const std::set<std::string> queued = queuedJobs();
    std::size_t done = 0, framesDone = 0;
    for (std::size_t k = 0; k < chunks.size(); ++k) {
      if (fs::is_directory(fs::u8path(work + "/parts/" + std::to_string(k + 1)))) {
        ++done;
        if (!chunks[k].finished) framesDone += chunks[k].numbers.size();
      }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (done != lastDone && !quiet) {
      std::cerr << "farm: " << done << " of " << chunks.size() << " chunks done, " << std::fixed;
      std::cerr.precision(1);
      std::cerr << (seconds > 0 ? double(framesDone) / seconds : 0.0) << " frames/s\n";
      lastDone = done;
    }
    if (!queued.count(joinId) && (arrayId.empty() || !queued.count(arrayId))) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  if (fs::exists(fs::u8path(work + "/status/join-" + joinId + ".ok"))) {
    if (!quiet) std::cerr << "farm: wrote " << output << "\n";
    return 0;
  }
  std::string failed;
  for (std::size_t k = 0; k < chunks.size(); ++k) {
    if (fs::is_directory(fs::u8path(work + "/parts/" + std::to_string(k + 1)))) continue;
    failed += std::string(failed.empty() ? "" : "; ") + "chunk " + std::to_string(k + 1) + " (frames " +
              frameList(chunks[k].numbers) + ", log " + work + "/logs/chunk-" + std::to_string(k + 1) + ".log)";
  }
  throw std::runtime_error(failed.empty() ? "the farm's join failed (log " + work + "/logs/join.log)"
                                          : "the farm failed: " + failed);
}

}  // namespace

int runFarm(const std::string& modulePath, const FarmRequest& request) {
  const RenderRequest& render = request.render;
  if (request.chunk < 1) throw std::runtime_error("--chunk takes a number of frames, 1 or more");
  if (render.input.path.empty() || render.input.path == "-") {
    throw std::runtime_error("a farm renders a file, a sequence or a video that every node reads; name one");
  }
  if (render.output.path.empty() || render.output.path == "-") throw std::runtime_error("no output file named (-o FILE)");

  InputSpec input = render.input;
  if (!render.frames.empty()) input.frames = parseFrameRange(render.frames);
  const std::unique_ptr<FrameSource> source = openSource(input);
  const std::vector<long> numbers = source->numbers();
  OutputSpec output = render.output;
  output.numbered = !input.frames.empty() || source->numbered();
  const bool video = fileKindOf(output.path) == FileKind::Video;
  const std::optional<FramePattern> pattern = outputPattern(output, numbers.size());
  if (!video && !pattern) {
    throw std::runtime_error("a farm writes a sequence or a video, not one picture (" + render.output.path + ")");
  }
  if (numbers.empty()) throw std::runtime_error("no frames to render in " + render.input.path);
  const double fps = render.fps.value_or(source->fps() ? *source->fps() : FrameRate{}).value();

  const std::string outputPath = absolute(render.output.path);
  const std::string outputFolder = fs::u8path(outputPath).parent_path().u8string();
  if (!fs::is_directory(fs::u8path(outputFolder))) {
    throw std::runtime_error("cannot write " + render.output.path + ": no folder " + outputFolder);
  }
  if (render.output.noClobber) {  // -n: refused before anything is submitted, as the render refuses it
    for (long number : video ? std::vector<long>{} : numbers) {
      if (pathExists(pattern->path(number))) throw existsError(pattern->path(number));
    }
    if (video && pathExists(render.output.path)) throw existsError(render.output.path);
  }
  const std::string work = absolute(request.work.empty() ? render.output.path + ".farm" : request.work);
  const std::string settings = resolvedSettings(modulePath, render, fps, outputPath);

  // What makes this command this command: a work folder made for another is not reused.
  std::string fingerprint = "input " + absolute(render.input.path) + "\noutput " + outputPath + "\nchunk " +
                            std::to_string(request.chunk) + "\nframes " + frameList(numbers) + "\n";
  for (const std::string& argument : request.pictureArguments) fingerprint += "picture " + argument + "\n";
  for (const std::string& argument : request.encodingArguments) fingerprint += "encoding " + argument + "\n";
  for (const std::string& argument : request.trimArguments) fingerprint += "trim " + argument + "\n";
  fingerprint += "settings " + settings;
  const std::string fingerprintFile = work + "/command.txt";
  const bool resuming = fs::exists(fs::u8path(fingerprintFile));
  if (resuming && readFile(fingerprintFile) != fingerprint) {
    throw std::runtime_error("the work folder " + work +
                             " was made for another command (input, settings, frames or output); remove it or name "
                             "another with --work");
  }
  if (!resuming && fs::exists(fs::u8path(work)) && !fs::is_empty(fs::u8path(work))) {
    throw std::runtime_error(work + " exists and is not a farm's work folder; remove it or name another with --work");
  }

  std::vector<Chunk> chunks;
  for (std::size_t i = 0; i < numbers.size(); i += request.chunk) {
    Chunk chunk;
    chunk.numbers.assign(numbers.begin() + long(i), numbers.begin() + long(std::min(numbers.size(), i + request.chunk)));
    chunk.finished = fs::is_directory(fs::u8path(work + "/parts/" + std::to_string(chunks.size() + 1)));
    chunks.push_back(std::move(chunk));
  }
  std::string missing;
  for (std::size_t k = 0; k < chunks.size(); ++k) {
    if (!chunks[k].finished) missing += (missing.empty() ? "" : ",") + std::to_string(k + 1);
  }

  // A task renders its chunk into tmp/, then renames it into parts/: a part is there whole or not at all.
  const std::string program = thisProgram();
  std::vector<std::string> vantrel = {program};
  if (!request.module.empty()) vantrel.insert(vantrel.end(), {"--module", absolute(request.module)});
  const std::string partName = video ? "frame_%08d.png" : fs::u8path(render.output.path).filename().u8string();
  std::vector<std::string> taskRender = vantrel;
  taskRender.insert(taskRender.end(), {"render", absolute(render.input.path), "--preset", work + "/settings.json", "-q"});
  taskRender.insert(taskRender.end(), request.pictureArguments.begin(), request.pictureArguments.end());
  if (!video) taskRender.insert(taskRender.end(), request.encodingArguments.begin(), request.encodingArguments.end());

  const std::string header = "#!/bin/sh\nset -u\ncd " + quoted(work) + " || exit 1\n";
  const std::string checkInputs =
      "while read -r size mtime path; do\n"
      "  [ \"$(stat -L -c '%s %Y' -- \"$path\" 2>/dev/null)\" = \"$size $mtime\" ] || {\n"
      "    echo \"vantrel farm: $path changed since the farm was submitted; run the farm again\" >&2; exit 1; }\n"
      "done < inputs.txt\n";
  const std::string task = header + "# Renders chunk $SLURM_ARRAY_TASK_ID into parts/; a requeued task starts over.\n" +
                           "k=$SLURM_ARRAY_TASK_ID\n" + checkInputs +
                           "rm -rf \"tmp/$k\" \"parts/$k\" && mkdir -p \"tmp/$k\" parts || exit 1\n" + joined(taskRender) +
                           " --frames \"$(cat chunks/$k.frames)\" -o \"tmp/$k/\"" + quoted(partName) + " &&\n" +
                           "  mv \"tmp/$k\" \"parts/$k\" && exit 0\n" + "rm -rf \"tmp/$k\"\nexit 1\n";

  std::string join = header + checkInputs;
  if (video) {
    // The parts' pictures are the effect's: the join encodes them once, as the render would.
    std::vector<std::string> joinRender = vantrel;
    joinRender.insert(joinRender.end(), {"render", absolute(render.input.path), "--preset", work + "/settings.json", "-q"});
    if (!render.frames.empty()) joinRender.insert(joinRender.end(), {"--frames", render.frames});
    joinRender.insert(joinRender.end(), request.pictureArguments.begin(), request.pictureArguments.end());
    joinRender.insert(joinRender.end(), request.encodingArguments.begin(), request.encodingArguments.end());
    joinRender.insert(joinRender.end(), request.trimArguments.begin(), request.trimArguments.end());
    joinRender.insert(joinRender.end(), {"--pictures-from", work + "/joined/" + partName, "-o", outputPath});
    join += "rm -rf joined && mkdir joined || exit 1\n"
            "for part in parts/*/; do ln -f \"$part\"* joined/ || cp -f \"$part\"* joined/ || exit 1; done\n" +
            joined(joinRender) + " || exit 1\nrm -rf joined\n";
  } else {
    // Each frame copied beside its place, then renamed into it.
    const std::string folder = quoted(outputFolder);
    join += "for part in parts/*/; do for frame in \"$part\"*; do\n  cp -f \"$frame\" " + folder +
            "/.farm-frame.tmp && mv -f " + folder + "/.farm-frame.tmp " + folder +
            "/\"${frame##*/}\" || exit 1\ndone; done\n";
  }
  join += "touch \"status/join-$SLURM_JOB_ID.ok\"\n";

  std::vector<std::string> common = {"sbatch", "--parsable"};
  if (!request.partition.empty()) common.push_back("--partition=" + request.partition);
  common.insert(common.end(), request.sbatchArguments.begin(), request.sbatchArguments.end());
  std::vector<std::string> taskSubmit = common;
  if (request.gpusPerTask) taskSubmit.push_back("--gpus-per-task=" + std::to_string(*request.gpusPerTask));
  taskSubmit.insert(taskSubmit.end(), {"--job-name=vantrel-farm", "--requeue", "--array=" + missing,
                                       "--output=" + sbatchPath(work) + "/logs/chunk-%a.log", work + "/task.sh"});
  std::vector<std::string> joinSubmit = common;
  joinSubmit.insert(joinSubmit.end(), {"--job-name=vantrel-farm-join", "--output=" + sbatchPath(work + "/logs/join.log")});

  if (request.dryRun) {
    std::cout << "# " << work << "/task.sh\n" << task << "\n# " << work << "/join.sh\n" << join << "\n";
    if (!missing.empty()) std::cout << joined(taskSubmit) << "\n";
    std::cout << joined(joinSubmit) << (missing.empty() ? "" : " --dependency=afterok:ARRAY_JOB_ID --kill-on-invalid-dep=yes")
              << " " << quoted(work + "/join.sh") << "\n";
    return 0;
  }

  if (!findProgram("sbatch")) throw std::runtime_error("no sbatch on PATH: a farm submits its jobs with Slurm's sbatch");
  // A rerun while the earlier jobs still run would render their chunks twice.
  if (resuming && fs::exists(fs::u8path(work + "/jobs.txt"))) {
    const std::set<std::string> queued = queuedJobs();
    std::istringstream earlier(readFile(work + "/jobs.txt"));
    for (std::string id; earlier >> id;) {
      if (queued.count(id)) {
        throw std::runtime_error("this farm's job " + id + " is still queued or running; wait for it to end, or scancel it");
      }
    }
  }
  for (const char* folder : {"", "/chunks", "/logs", "/parts", "/tmp", "/status"}) fs::create_directories(fs::u8path(work + folder));
  writeFile(work + "/settings.json", settings);
  if (!render.savePreset.empty()) writeFile(render.savePreset, settings);
  writeFile(work + "/inputs.txt", inputStamps(source->files().empty() ? std::vector<std::string>{render.input.path}
                                                                      : source->files()));
  for (std::size_t k = 0; k < chunks.size(); ++k) {
    writeFile(work + "/chunks/" + std::to_string(k + 1) + ".frames", frameList(chunks[k].numbers) + "\n");
  }
  writeFile(work + "/task.sh", task, true);
  writeFile(work + "/join.sh", join, true);
  writeFile(fingerprintFile, fingerprint);

  std::string arrayId;
  if (!missing.empty()) {
    arrayId = commandOutput(joined(taskSubmit), "sbatch");
    arrayId = arrayId.substr(0, arrayId.find(';'));
    joinSubmit.insert(joinSubmit.end(), {"--dependency=afterok:" + arrayId, "--kill-on-invalid-dep=yes"});
  }
  joinSubmit.push_back(work + "/join.sh");
  std::string joinId = commandOutput(joined(joinSubmit), "sbatch");
  joinId = joinId.substr(0, joinId.find(';'));
  writeFile(work + "/jobs.txt", arrayId + " " + joinId + "\n");
  const std::size_t finishedBefore = chunks.size() - std::count(missing.begin(), missing.end(), ',') - (missing.empty() ? 0 : 1);
  std::cout << "farm: " << chunks.size() << " chunks of up to " << request.chunk << " frames ("
            << numbers.size() << " frames), " << finishedBefore << " already rendered\n";
  if (!arrayId.empty()) std::cout << "tasks: job " << arrayId << " (array " << missing << ")\n";
  std::cout << "join: job " << joinId << " writes " << outputPath << "\n"
            << "follow: squeue -j " << (arrayId.empty() ? "" : arrayId + ",") << joinId << "; sacct -j "
            << (arrayId.empty() ? "" : arrayId + ",") << joinId << "; logs in " << work << "/logs\n"
            << "cancel: scancel " << (arrayId.empty() ? "" : arrayId + " ") << joinId << "\n";
  return request.wait ? waitForFarm(chunks, work, arrayId, joinId, outputPath, render.quiet) : 0;
}

}  // namespace vantrel
