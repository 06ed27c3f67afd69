// vantrel-bench: frames of the effect through the substitute host, warm, many per case.
// Prints ms per frame (median and spread), megapixels per second, the stage breakdown and
// the OpenGL objects made per warm frame of each case, then ratios derived from the same
// run; --json writes the same as JSON.
#include <CLI/CLI.hpp>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "BuiltInPicture.h"
#include "EffectDiagnostics.h"
#include "EffectCall.h"
#include "GlObjectCounter.h"
#include "Host.h"
#include "ModulePath.h"
#include "PeakMemory.h"
#include "PngFile.h"
#include "RenderCommand.h"
#include "ReferenceRenderer.h"
#include "RgbaImage.h"
#include "SceneOnHost.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kStageNames[4] = {"upload", "draw", "convert", "readback"};

struct Case {
  std::uint32_t width, height;
  int instances;
  int shapeType;  // 1 Circle (cheap), 6 Hexagon (an arc tangent and a cosine per instance)
};

struct Figures {
  double median = 0, low = 0, high = 0;  // ms per frame
  double stages[4] = {};                 // ms, medians
  int frames = 0;
  double objectsMade = 0;                // OpenGL objects made per frame once warm
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

vantrel_reference::SceneValues sceneFor(const Case& c) {
  vantrel_reference::SceneValues scene;
  scene.shapeType = c.shapeType;
  scene.instances = c.instances;
  scene.shapeSize1 = int(c.height * 2 / 5);
  scene.shapeSize2 = scene.shapeSize1 / 4;
  scene.rotationOffset = 7;
  scene.positionXOffset = 9;
  return scene;
}

class Bench {
 public:
  Bench(const std::string& modulePath, double secondsPerCase, int minFrames)
      : host_(modulePath), secondsPerCase_(secondsPerCase), minFrames_(minFrames) {
    void* library = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    lastFrameStages_ = library ? reinterpret_cast<void (*)(double*)>(dlsym(library, "VantrelLastFrameStages")) : nullptr;
    vantrel::callEffect(host_, "parameter setup", [&] { return host_.paramsSetup(); });
    instance_ = &host_.newInstance();
    // The effect prints an information block for each context it makes: the global one
    // at setup, this thread's at its first render. It names the renderer.
    const std::string printed = capturingStdout([&] {
      vantrel::callEffect(host_, "global setup", [&] { return host_.globalSetup(); });
      minihost::World tiny(16, 16), out(16, 16);
      renderOnce(tiny, out);
    });
    const std::string label = "OpenGL Renderer: ";
    if (const auto at = printed.find(label); at != std::string::npos) {
      renderer_ = printed.substr(at + label.size(), printed.find('\n', at) - at - label.size());
    }
  }
  ~Bench() { host_.globalSetdown(); }

  bool hasStages() const { return lastFrameStages_ != nullptr; }
  const std::string& renderer() const { return renderer_; }

  Figures run(const Case& c) {
    vantrel_test::applyScene(sceneFor(c), *instance_);
    minihost::World input = vantrel::toWorld(vantrel::builtInPicture(c.width, c.height));
    minihost::World output(input.width(), input.height());
    std::vector<double> times, stages[4];
    for (int warm = 0; warm < 2; ++warm) renderOnce(input, output);
    const auto start = Clock::now();
    while (int(times.size()) < minFrames_ ||
           std::chrono::duration<double>(Clock::now() - start).count() < secondsPerCase_) {
      const auto before = Clock::now();
      renderOnce(input, output);
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
      if (lastFrameStages_) {
        double seconds[4];
        lastFrameStages_(seconds);
        for (int s = 0; s < 4; ++s) stages[s].push_back(seconds[s] * 1000);
      }
    }
    Figures f;
    f.median = median(times);
    f.low = *std::min_element(times.begin(), times.end());
    f.high = *std::max_element(times.begin(), times.end());
    f.frames = int(times.size());
    for (int s = 0; s < 4; ++s) f.stages[s] = stages[s].empty() ? 0 : median(stages[s]);
    // Counted apart from the timed frames: the counter's callbacks cost a little.
    constexpr int kCountedFrames = 3;
    const vantrel_test::GlObjectCounter counter;
    for (int i = 0; i < kCountedFrames; ++i) renderOnce(input, output);
    f.objectsMade = double(counter.made()) / kCountedFrames;
    return f;
  }

  // The CPU reference on the same frame, once (it takes seconds).
  double referenceMs(const Case& c) {
    const vantrel::RgbaImage picture = vantrel::builtInPicture(c.width, c.height);
    minihost::World world = vantrel::toWorld(picture);
    vantrel_reference::Image input = vantrel_reference::makeImage(int(c.width), int(c.height));
    for (std::uint32_t y = 0; y < c.height; ++y) {
      for (std::uint32_t x = 0; x < c.width; ++x) input.at(int(x), int(y)) = world.at(A_long(x), A_long(y));
    }
    const auto before = Clock::now();
    vantrel_reference::renderReference(input, sceneFor(c));
    return std::chrono::duration<double, std::milli>(Clock::now() - before).count();
  }

 private:
  template <typename F>
  static std::string capturingStdout(F work) {
    std::fflush(stdout);
    std::FILE* capture = std::tmpfile();
    const int saved = dup(STDOUT_FILENO);
    dup2(fileno(capture), STDOUT_FILENO);
    try {
      work();
    } catch (...) {
      std::fflush(stdout);
      dup2(saved, STDOUT_FILENO);
      close(saved);
      std::fclose(capture);
      throw;
    }
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;) text += char(c);
    std::fclose(capture);
    return text;
  }

  void renderOnce(minihost::World& input, minihost::World& output) {
    vantrel::callEffect(host_, "render", [&] { return host_.render(*instance_, input, output); });
  }

  minihost::Host host_;
  minihost::EffectInstance* instance_ = nullptr;
  void (*lastFrameStages_)(double*) = nullptr;
  std::string renderer_;
  double secondsPerCase_;
  int minFrames_;
};

// A plain copy of the frame's bytes, the floor for the read-back and copy stage.
double memcpyMs(std::size_t bytes) {
  std::vector<unsigned char> from(bytes, 1), to(bytes);
  std::vector<double> times;
  for (int i = 0; i < 9; ++i) {
    const auto before = Clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    from[std::size_t(i)] = to[bytes - 1 - std::size_t(i)];  // keep the copies alive
  }
  return median(times);
}

// Processor time used by the whole process so far (all its threads, user and system), in
// seconds: on a machine shared with other work, what a stretch of wall time cost us.
double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A sequence of `frames` pictures through `vantrel render` (read, rendered, written as
// PNG files) against the renders alone of the same frames, both with the shipped module,
// with the processor time of each and the size of the files written.
nlohmann::json sequenceFigures(const std::string& modulePath, int frames) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("vantrel-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const vantrel::RgbaImage picture = vantrel::builtInPicture();
  for (int f = 0; f < frames; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "in_%04d.png", f);
    vantrel::writePng((folder / name).string(), picture);
  }

  double renderOnly = 0, renderOnlyCpu = 0;
  {
    minihost::Host host(modulePath);
    vantrel::callEffect(host, "parameter setup", [&] { return host.paramsSetup(); });
    minihost::EffectInstance& instance = host.newInstance();
    const vantrel::EffectDiagnostics quiet(false);
    vantrel::callEffect(host, "global setup", [&] { return host.globalSetup(); });
    minihost::World input = vantrel::toWorld(picture), output(input.width(), input.height());
    vantrel::callEffect(host, "render", [&] { return host.render(instance, input, output); });  // warm
    const auto before = Clock::now();
    const double cpuBefore = processorSeconds();
    for (int f = 0; f < frames; ++f) {
      minihost::FrameTime time;
      time.time = f;
      vantrel::callEffect(host, "render", [&] { return host.render(instance, input, output, time); });
    }
    renderOnly = std::chrono::duration<double>(Clock::now() - before).count();
    renderOnlyCpu = processorSeconds() - cpuBefore;
    host.globalSetdown();
  }

  vantrel::RenderRequest request;
  request.input.path = (folder / "in_%04d.png").string();
  request.output.path = (folder / "out_%04d.png").string();
  request.quiet = true;
  const auto before = Clock::now();
  const double cpuBefore = processorSeconds();
  vantrel::runRender(modulePath, request);
  const double sequence = std::chrono::duration<double>(Clock::now() - before).count();
  const double sequenceCpu = processorSeconds() - cpuBefore;
  std::uintmax_t written = 0;  // a single frame is written under the pattern's own name
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("out_", 0) == 0) written += entry.file_size();
  }
  fs::remove_all(folder);
  return {{"frames", frames},
          {"render_only_s", renderOnly},
          {"sequence_s", sequence},
          {"sequence_over_render_only", sequence / renderOnly},
          {"render_only_cpu_s", renderOnlyCpu},
          {"sequence_cpu_s", sequenceCpu},
          {"png_bytes_per_frame", double(written) / frames}};
}

// Peak resident memory of `vantrel render` over `frames` frames of the built-in
// 1280x720 picture into PNG files, against a run of a tenth as many.
nlohmann::json memoryFigures(int frames) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("vantrel-bench-memory-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string vantrel = (fs::read_symlink("/proc/self/exe").parent_path() / "vantrel").string();
  const auto peakKb = [&](int count) {
    const vantrel_bench::PeakMemoryRun run = vantrel_bench::runForPeakMemory(
        {vantrel, "render", "-o", (folder / "out_%04d.png").string(), "--frames", "0-" + std::to_string(count - 1)});
    if (run.exitCode != 0) throw std::runtime_error(vantrel + " render failed with exit code " + std::to_string(run.exitCode));
    return run.peakKb;
  };
  const long few = peakKb(std::max(1, frames / 10)), many = peakKb(frames);
  fs::remove_all(folder);
  return {{"frames", frames}, {"peak_kb_tenth", few}, {"peak_kb", many}, {"peak_over_tenth", double(many) / double(few)}};
}

std::string caseName(const Case& c) {
  return std::to_string(c.width) + "x" + std::to_string(c.height) + " " + std::to_string(c.instances) +
         (c.instances == 1 ? " instance " : " instances ") + (c.shapeType == 1 ? "circle" : "hexagon");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"vantrel-bench: frame times of the QN Vantrel effect through the substitute host", "vantrel-bench"};
  std::string module, jsonPath;
  double secondsPerCase = 2.0;
  int minFrames = 5;
  bool quick = false;
  int sequence = 0, memory = 0;
  app.add_option("--module", module, "Effect module (default: QNVantrelBench.so beside vantrel-bench, with stage times)");
  app.add_option("--json", jsonPath, "Also write the figures as JSON to this file ('-' for stdout instead of the table)");
  app.add_option("--seconds", secondsPerCase, "Time spent on each case, at least");
  app.add_option("--frames", minFrames, "Frames timed in each case, at least");
  app.add_flag("--quick", quick, "1280x720 and 1920x1080 only, one shape");
  app.add_option("--sequence", sequence,
                 "Instead: N frames of 1280x720 PNG through vantrel render against their renders alone");
  app.add_option("--memory", memory,
                 "Instead: peak resident memory of vantrel render over N frames against N/10 frames");
  CLI11_PARSE(app, argc, argv);

  try {
    if (memory > 0) {
      const nlohmann::json figures = memoryFigures(memory);
      if (jsonPath.empty()) {
        std::printf("vantrel render, 1280x720 PNG: peak resident %ld kB for %d frames, %ld kB for %d, ratio %.3f\n",
                    long(figures["peak_kb"]), memory, long(figures["peak_kb_tenth"]), std::max(1, memory / 10),
                    double(figures["peak_over_tenth"]));
      } else {
        std::ofstream(jsonPath == "-" ? "/dev/stdout" : jsonPath) << figures.dump(2) << "\n";
      }
      return 0;
    }
    if (sequence > 0) {
      const nlohmann::json figures = sequenceFigures(module.empty() ? vantrel::resolveModulePath("") : module, sequence);
      if (jsonPath.empty()) {
        std::printf("%d frames of 1280x720: renders alone %.2f s, sequence through vantrel render %.2f s, ratio %.3f\n",
                    sequence, double(figures["render_only_s"]), double(figures["sequence_s"]),
                    double(figures["sequence_over_render_only"]));
        std::printf("  processor time, all threads: renders alone %.2f s, sequence %.2f s; %.0f bytes per PNG written\n",
                    double(figures["render_only_cpu_s"]), double(figures["sequence_cpu_s"]),
                    double(figures["png_bytes_per_frame"]));
      } else {
        std::ofstream(jsonPath == "-" ? "/dev/stdout" : jsonPath) << figures.dump(2) << "\n";
      }
      return 0;
    }
    if (module.empty()) {
      module = vantrel::resolveModulePath("");
      module.replace(module.rfind("QNVantrel.so"), std::string("QNVantrel.so").size(), "QNVantrelBench.so");
    }
    Bench bench(module, secondsPerCase, minFrames);
    std::vector<Case> cases;
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1280, 720}, {1920, 1080}, {3840, 2160}};
    for (const auto& [w, h] : sizes) {
      if (quick && w > 1920) continue;
      for (int instances : {1, 5, 20}) {
        for (int shape : {1, 6}) {
          if (!quick || shape == 1) cases.push_back({w, h, instances, shape});
        }
      }
    }

    const bool table = jsonPath != "-";
    nlohmann::json json;
    std::map<std::string, Figures> byName;
    if (table) {
      std::printf("renderer: %s\n\n", bench.renderer().c_str());
      std::printf("%-32s %9s %17s %8s   %8s %8s %8s %8s   %s\n", "case", "ms/frame", "spread", "Mpx/s",
                  kStageNames[0], kStageNames[1], kStageNames[2], kStageNames[3], "GL objects made/frame");
    }
    for (const Case& c : cases) {
      const Figures f = bench.run(c);
      byName[caseName(c)] = f;
      const double megapixels = double(c.width) * c.height / 1e6;
      if (table) {
        std::printf("%-32s %9.1f %7.1f .. %7.1f %8.1f   %8.1f %8.1f %8.1f %8.1f   %g\n", caseName(c).c_str(), f.median,
                    f.low, f.high, megapixels / (f.median / 1000), f.stages[0], f.stages[1], f.stages[2], f.stages[3],
                    f.objectsMade);
        std::fflush(stdout);
      }
      nlohmann::json entry = {{"width", c.width},       {"height", c.height},    {"instances", c.instances},
                              {"shape", c.shapeType == 1 ? "circle" : "hexagon"}, {"frames", f.frames},
                              {"ms_median", f.median},  {"ms_min", f.low},       {"ms_max", f.high},
                              {"megapixels_per_second", megapixels / (f.median / 1000)},
                              {"gl_objects_made_per_frame", f.objectsMade}};
      for (int s = 0; s < 4; ++s) entry["stages_ms"][kStageNames[s]] = f.stages[s];
      json["cases"].push_back(entry);
    }

    const Figures& fhd = byName["1920x1080 5 instances circle"];
    const Figures& fhd1 = byName["1920x1080 1 instance circle"];
    const Figures& fhd20 = byName["1920x1080 20 instances circle"];
    const Case referenceCase{1280, 720, 5, 1};
    const double referenceMs = bench.referenceMs(referenceCase);
    nlohmann::json ratios;
    if (byName.count("3840x2160 5 instances circle")) {
      ratios["uhd_over_fhd"] = byName["3840x2160 5 instances circle"].median / fhd.median;
    }
    ratios["instances_20_over_1"] = fhd20.median / fhd1.median;
    if (bench.hasStages()) {
      ratios["frame_over_draw"] = fhd.median / fhd.stages[1];
      ratios["readback_over_memcpy"] = fhd.stages[3] / memcpyMs(1920u * 1080u * 4u);
    }
    ratios["gpu_over_cpu_reference"] = byName[caseName(referenceCase)].median / referenceMs;
    json["ratios"] = ratios;
    json["renderer"] = bench.renderer();

    if (table) {
      std::printf("\nratios (same run)\n");
      for (const auto& [name, value] : ratios.items()) std::printf("  %-24s %8.3f\n", name.c_str(), double(value));
    }
    if (!jsonPath.empty()) {
      if (jsonPath == "-") {
        std::cout << json.dump(2) << "\n";
      } else {
        std::ofstream(jsonPath) << json.dump(2) << "\n";
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantrel-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
