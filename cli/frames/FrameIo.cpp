#include "FrameIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <utility>

#include "ChildProcess.h"
#include "Ffmpeg.h"
#include "FramePattern.h"
#include "MediaFiles.h"
#include "Notes.h"
#include "RawFrames.h"
#include "ReplacingFile.h"
#include "StandardStreams.h"
#include "StillFrames.h"
#include "VideoFiles.h"

namespace vantrel {
namespace {

// A frame's number in the error about its missing file: "(frame 17 of shot_%04d.png)".
std::runtime_error missingFrame(const std::string& path, long number, const std::string& pattern) {
  return std::runtime_error(path + ": no such file (frame " + std::to_string(number) + " of " + pattern + ")");
}

// Frames found on disk keep their own numbers, and so their times: a gap is not closed up.
void noteGaps(const std::string& pattern, const std::vector<long>& numbers) {
  std::string gaps;
  std::size_t count = 0;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    const long first = numbers[i - 1] + 1, last = numbers[i] - 1;
    if (first > last) continue;
    if (++count <= 5) gaps += (gaps.empty() ? "" : ", ") + std::to_string(first) + (first == last ? "" : "-" + std::to_string(last));
  }
  if (count == 0) return;
  if (count > 5) gaps += " and " + std::to_string(count - 5) + " more gaps";
  noteOnce(Note::SequenceGap, pattern + " has no frame " + gaps + "; the frames after a gap keep their own numbers and times");
}

void refuseVideoPattern(const std::string& path, FileKind kind) {
  if (kind == FileKind::Video) {
    throw std::runtime_error(path + ": a numbered pattern names pictures (.png, .jpg, .jpeg), not video files");
  }
}

class SequenceSource : public FrameSource {
 public:
  SequenceSource(FramePattern pattern, FileKind kind, std::vector<long> numbers, bool autoOrient)
      : pattern_(std::move(pattern)), kind_(kind), numbers_(std::move(numbers)), autoOrient_(autoOrient) {
    // Every frame is looked for before the first is read, so that a missing one stops the
    // run before any work rather than at its end.
    for (long number : numbers_) {
      const std::string path = pattern_.path(number);
      if (!pathExists(path)) throw missingFrame(path, number, pattern_.text());
    }
  }

  std::optional<RgbaImage> next() override {
    if (at_ == numbers_.size()) return std::nullopt;
    const long number = numbers_[at_];
    const std::string path = pattern_.path(number);
    if (!pathExists(path)) throw missingFrame(path, number, pattern_.text());
    RgbaImage frame = readStill(path, kind_, autoOrient_);
    ++at_;
    return frame;
  }
  std::size_t count() const override { return numbers_.size(); }
  long lastNumber() const override { return at_ == 0 ? -1 : numbers_[at_ - 1]; }
  std::vector<long> numbers() const override { return numbers_; }
  bool numbered() const override { return true; }
  StreamTraits traits() const override {
    StreamTraits traits;
    traits.hasAlpha = stillHasAlpha(pattern_.path(numbers_.front()));  // the first stands for all
    return traits;
  }
  std::vector<std::string> files() const override {
    std::vector<std::string> paths;
    for (long number : numbers_) paths.push_back(pattern_.path(number));
    return paths;
  }

 private:
  FramePattern pattern_;
  FileKind kind_;
  std::vector<long> numbers_;
  bool autoOrient_;
  std::size_t at_ = 0;
};

// A numbered sequence of pictures. Each frame is written under a hidden name beside its
// file and takes its own name as soon as it is whole, so that a run that stops keeps the
// frames it finished and leaves no partial one.
class PatternSink : public FrameSink {
 public:
  PatternSink(FramePattern pattern, FileKind kind, bool noClobber)
      : pattern_(std::move(pattern)), kind_(kind), noClobber_(noClobber) {}

  // Each frame has a file of its own, so frames may be encoded on several threads.
  bool takesFramesInAnyOrder() const override { return true; }

  void write(const RgbaImage& frame, long number) override {
    const std::string path = pattern_.path(number);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!numbers_.insert(number).second) {
        throw std::runtime_error("cannot write " + path + ": frame " + std::to_string(number) + " came twice");
      }
    }
    if (noClobber_ && pathExists(path)) throw existsError(path);
    ReplacingFile file(path);
    writeStill(file, frame, kind_);
  }

  void finish() override {
    if (numbers_.empty()) throw std::runtime_error("cannot write " + pattern_.text() + ": no frames to write");
  }

 private:
  FramePattern pattern_;
  FileKind kind_;
  bool noClobber_;
  std::mutex mutex_;  // guards numbers_
  std::set<long> numbers_;
};

OwnedFd duplicate(int stream, const char* what) {
  OwnedFd copy(duplicateStandardStream(stream));
  if (copy.get() < 0) throw std::runtime_error(std::string("cannot use ") + what + ": " + std::strerror(errno));
  return copy;
}

}  // namespace

std::unique_ptr<FrameSource> openSource(const InputSpec& input) {
  const auto noPicking = [&](const std::string& what) {
    return std::runtime_error("frames can be picked only from a numbered pattern such as shot_%04d.png, not from " + what);
  };
  const auto noTrimming = [&](const std::string& what) {
    if (input.start || input.duration) throw std::runtime_error("--start and --duration trim a video, not " + what);
  };
  if (input.path.empty()) {
    noTrimming("the built-in picture");
    return openBuiltInSource(input.frames);
  }
  if (input.path == "-") {
    noTrimming("raw frames");
    if (!input.frames.empty()) throw noPicking("raw frames");
    if (!input.size) throw std::runtime_error("raw frames on standard input need their size (--size WxH)");
    return std::make_unique<RawFrameSource>(duplicate(0, "standard input"), input.size->first,
                                            input.size->second, input.pixelFormat);
  }
  if (input.size) throw std::runtime_error("--size is for raw frames on standard input (-); " + input.path + " has its own size");
  // A name with a number field that names a file is that file, unless frames are picked.
  const bool numbered = !input.frames.empty() || !pathExists(input.path);
  if (const std::optional<FramePattern> pattern = numbered ? FramePattern::find(input.path) : std::nullopt) {
    const FileKind kind = fileKindOf(input.path);
    refuseVideoPattern(input.path, kind);
    noTrimming(input.path);
    std::vector<long> numbers = input.frames.empty() ? pattern->existingNumbers() : input.frames;
    if (numbers.empty()) throw std::runtime_error("no frames match " + input.path);
    if (input.frames.empty()) noteGaps(input.path, numbers);
    return std::make_unique<SequenceSource>(*pattern, kind, std::move(numbers), input.autoOrient);
  }
  if (!pathExists(input.path)) throw std::runtime_error(input.path + ": no such file");
  // An input file is what its content says, whatever its name; ffmpeg takes all but PNG and
  // JPEG. Under a picture's name, what ffmpeg cannot read either is left to the picture
  // reader, whose reason is the one to give.
  FileKind kind = fileKindByContent(input.path);
  if (kind == FileKind::Video) {
    const std::string extension = extensionOf(input.path);
    if (extension != ".png" && extension != ".jpg" && extension != ".jpeg") return openVideoSource(input);
    try {
      return openVideoSource(input);
    } catch (const NotAVideo&) {
      kind = fileKindOf(input.path);
    }
  }
  noTrimming(input.path);
  return openStillSource(input.path, kind, input.frames, input.autoOrient);
}

std::optional<FramePattern> outputPattern(const OutputSpec& output, std::size_t frames) {
  if (output.path == "-" || (frames == 1 && !output.numbered)) return std::nullopt;
  return FramePattern::find(output.path);
}

std::unique_ptr<FrameSink> openSink(const OutputSpec& output, std::size_t frames) {
  if (output.path.empty()) throw std::runtime_error("no output file named");
  if (output.path == "-") {
    return std::make_unique<RawFrameSink>(duplicate(1, "standard output"), output.pixelFormat);
  }
  const FileKind kind = fileKindOf(output.path);
  if (std::optional<FramePattern> pattern = outputPattern(output, frames)) {
    refuseVideoPattern(output.path, kind);
    return std::make_unique<PatternSink>(std::move(*pattern), kind, output.noClobber);
  }
  if (kind == FileKind::Video) return openVideoSink(output, frames);
  return openStillSink(output.path, kind, output.noClobber, frames);
}

}  // namespace vantrel
