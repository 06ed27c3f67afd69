#include "StillFrames.h"

#include <stdexcept>
#include <utility>

#include "BuiltInPicture.h"
#include "ReplacingFile.h"

namespace vantrel {
namespace {

// "out.png" → "out_%04d.png", for the advice to name a pattern.
std::string patternExample(const std::string& path) {
  const std::string extension = extensionOf(path);
  return path.substr(0, path.size() - extension.size()) + "_%04d" + path.substr(path.size() - extension.size());
}

// One picture: frame 0, or each of the frames --frames names, so that keyframed
// controls animate a still.
class OneFrameSource : public FrameSource {
 public:
  explicit OneFrameSource(std::vector<long> numbers) : numbers_(numbers.empty() ? std::vector<long>{0} : numbers) {}

  std::optional<RgbaImage> next() override {
    if (at_ == numbers_.size()) return std::nullopt;
    if (!picture_) picture_ = read();
    ++at_;
    return picture_;
  }
  std::size_t count() const override { return numbers_.size(); }
  long lastNumber() const override { return at_ == 0 ? -1 : numbers_[at_ - 1]; }
  std::vector<long> numbers() const override { return numbers_; }

 protected:
  virtual RgbaImage read() = 0;

 private:
  std::vector<long> numbers_;
  std::size_t at_ = 0;
  std::optional<RgbaImage> picture_;
};

class BuiltInSource : public OneFrameSource {
 public:
  using OneFrameSource::OneFrameSource;

 protected:
  RgbaImage read() override { return builtInPicture(); }
};

class StillSource : public OneFrameSource {
 public:
  StillSource(std::string path, FileKind kind, std::vector<long> numbers, bool autoOrient)
      : OneFrameSource(std::move(numbers)), path_(std::move(path)), kind_(kind), autoOrient_(autoOrient) {}
  StreamTraits traits() const override {
    StreamTraits traits;
    traits.hasAlpha = stillHasAlpha(path_);
    return traits;
  }

 protected:
  RgbaImage read() override { return readStill(path_, kind_, autoOrient_); }

 private:
  std::string path_;
  FileKind kind_;
  bool autoOrient_;
};

// One picture file, replaced when finish() writes it.
class StillSink : public FrameSink {
 public:
  StillSink(const std::string& path, FileKind kind, bool noClobber, std::size_t frames) : kind_(kind) {
    if (noClobber && pathExists(path)) throw existsError(path);
    if (frames > 1) throw tooMany(path);
    file_ = std::make_unique<ReplacingFile>(path);  // an unwritable output is refused before the work
  }

  void write(const RgbaImage& frame, long) override {
    if (frame_) throw tooMany(file_->path());
    frame_ = frame;
  }

  void finish() override {
    if (!frame_) throw file_->failure("no frame to write");
    writeStill(*file_, *frame_, kind_);
  }

 private:
  static std::runtime_error tooMany(const std::string& path) {
    return std::runtime_error("cannot write " + path + ": it holds one picture, but there is more than one frame; name a "
                              "numbered pattern such as " + patternExample(path) + " for a sequence");
  }

  FileKind kind_;
  std::unique_ptr<ReplacingFile> file_;
  std::optional<RgbaImage> frame_;
};

}  // namespace

std::unique_ptr<FrameSource> openBuiltInSource(std::vector<long> numbers) {
  return std::make_unique<BuiltInSource>(std::move(numbers));
}

std::unique_ptr<FrameSource> openStillSource(const std::string& path, FileKind kind, std::vector<long> numbers,
                                             bool autoOrient) {
  return std::make_unique<StillSource>(path, kind, std::move(numbers), autoOrient);
}

std::unique_ptr<FrameSink> openStillSink(const std::string& path, FileKind kind, bool noClobber, std::size_t frames) {
  return std::make_unique<StillSink>(path, kind, noClobber, frames);
}

}  // namespace vantrel
