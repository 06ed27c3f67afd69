// vantrel farm: one render split by frames into chunks, rendered as a Slurm array job
// (one task per chunk) and joined by a job that runs once every task succeeded.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "RenderCommand.h"

namespace vantrel {

struct FarmRequest {
  RenderRequest render;  // the render, as `vantrel render` would take it
  // The render options as given, "--name" then its values, without the input, output,
  // --set, --preset, --save-preset, --frames and progress options: every task and the
  // join take them as they are.
  std::vector<std::string> pictureArguments;   // what the frames' pictures depend on
  std::vector<std::string> encodingArguments;  // what only the written output depends on
  // --start and --duration: a task picks its frames by their numbers in the file instead,
  // which name the same frames at the same times; the join takes them for the audio.
  std::vector<std::string> trimArguments;
  std::string module;                          // --module as given, or empty
  unsigned chunk = 0;                          // frames per task
  std::string partition;                       // --partition
  std::vector<std::string> sbatchArguments;    // --sbatch-arg, in order
  std::optional<unsigned> gpusPerTask;         // --gpus-per-task
  std::string work;                            // --work DIR (default OUTPUT.farm)
  bool wait = false;                           // stay until the join ends
  bool dryRun = false;                         // print the scripts, submit nothing
};

// Splits, writes the work folder and submits (or prints, or resumes) the farm. Throws
// std::runtime_error with a one-line reason. Returns the process exit code.
int runFarm(const std::string& modulePath, const FarmRequest& request);

}  // namespace vantrel
