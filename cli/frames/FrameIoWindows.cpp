// The Windows build's frames: the built-in picture and single PNG files. Numbered
// sequences, JPEG files, raw frames on a pipe and video files are not ported yet; they
// are refused here, each in one line, before anything is read or written.
#include "FrameIo.h"

#include <algorithm>
#include <stdexcept>

#include "FramePattern.h"
#include "MediaFiles.h"
#include "StillFrames.h"

namespace vantrel {
namespace {

std::runtime_error notYet(const std::string& what) {
  return std::runtime_error(what + " not available in the Windows build yet");
}

std::runtime_error noJpeg(const std::string& path) {
  return notYet(path + ": JPEG pictures are");
}

void refuseUnavailableInput(const InputSpec& input) {
  if (input.path == "-") throw notYet("raw frames on standard input (-) are");
  if (input.frames.size() > 1) throw notYet("several frames (a numbered sequence) are");
  if (input.path.empty()) return;
  const bool numbered = !input.frames.empty() || !pathExists(input.path);
  if (numbered && FramePattern::find(input.path)) throw notYet(input.path + ": numbered sequences are");
  if (!pathExists(input.path)) return;  // opening it says so
  // Told by content, as everywhere: what is neither PNG nor JPEG is a video, unless its
  // name says picture, when reading it gives the reason it is none.
  FileKind kind = fileKindByContent(input.path);
  const std::string extension = extensionOf(input.path);
  if (kind == FileKind::Video && extension == ".png") kind = FileKind::Png;
  if (kind == FileKind::Video && (extension == ".jpg" || extension == ".jpeg")) kind = FileKind::Jpeg;
  if (kind == FileKind::Jpeg) throw noJpeg(input.path);
  if (kind == FileKind::Video) throw notYet(input.path + ": video files are");
}

void refuseUnavailableOutput(const OutputSpec& output, std::size_t frames) {
  if (output.path == "-") throw notYet("raw frames on standard output (-) are");
  const FileKind kind = fileKindOf(output.path);
  if (kind == FileKind::Jpeg) throw noJpeg(output.path);
  if (kind == FileKind::Video) throw notYet(output.path + ": video files are");
  if (outputPattern(output, frames)) throw notYet(output.path + ": numbered sequences are");
}

}  // namespace

void refuseUnavailable(const InputSpec& input, const OutputSpec& output) {
  if (output.path.empty()) return;  // nothing is rendered
  refuseUnavailableInput(input);
  refuseUnavailableOutput(output, std::max<std::size_t>(1, input.frames.size()));
}

std::unique_ptr<FrameSource> openSource(const InputSpec& input) {
  refuseUnavailableInput(input);
  const auto noTrimming = [&](const std::string& what) {
    if (input.start || input.duration) throw std::runtime_error("--start and --duration trim a video, not " + what);
  };
  if (input.path.empty()) {
    noTrimming("the built-in picture");
    return openBuiltInSource(input.frames);
  }
  if (input.size) throw std::runtime_error("--size is for raw frames on standard input (-); " + input.path + " has its own size");
  if (!pathExists(input.path)) throw std::runtime_error(input.path + ": no such file");
  noTrimming(input.path);
  return openStillSource(input.path, FileKind::Png, input.frames, input.autoOrient);
}

std::optional<FramePattern> outputPattern(const OutputSpec& output, std::size_t frames) {
  if (output.path == "-" || (frames == 1 && !output.numbered)) return std::nullopt;
  return FramePattern::find(output.path);
}

std::unique_ptr<FrameSink> openSink(const OutputSpec& output, std::size_t frames) {
  if (output.path.empty()) throw std::runtime_error("no output file named");
  refuseUnavailableOutput(output, frames);
  return openStillSink(output.path, FileKind::Png, output.noClobber, frames);
}

}  // namespace vantrel
