#pragma once

#include <string>
#include <vector>

#include "FrameIo.h"

namespace vantrel {

struct RenderRequest {
  InputSpec input;
  OutputSpec output;                     // path empty: nothing rendered (--save-preset alone)
  std::string frames;                    // --frames, the oiiotool grammar
  std::string preset;                    // --preset FILE.json, applied before the --set options
  std::string savePreset;                // --save-preset FILE.json
  std::vector<std::string> assignments;  // "NAME=VALUE" or "NAME=V@t;V@t", in order
  std::optional<FrameRate> fps;          // --fps; else a video input's, else 24
  unsigned downsample = 1;               // --downsample N
  unsigned threads = 2;                  // --threads N: frames written at once
  bool quiet = false;                    // no progress line
  bool verbose = false;                  // the effect's diagnostics on standard error
  std::string progressFile;              // --progress FILE
  std::string picturesFrom;              // a farm's join: each frame's picture already rendered, by this pattern
};

// Renders every frame of the input through the effect into the output. Throws std::runtime_error with a one-line reason;
// then no output file is left half-written. Returns the process exit code (130 when
// interrupted; the frames already written are kept).
int runRender(const std::string& modulePath, const RenderRequest& request);

}  // namespace vantrel
