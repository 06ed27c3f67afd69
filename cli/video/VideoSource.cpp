#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "Ffmpeg.h"
#include "PipeIo.h"
#include "VideoFiles.h"

namespace vantrel {
namespace {

class VideoSource : public FrameSource {
 public:
  VideoSource(const std::string& path, const std::string& ffmpeg, const VideoInfo& info)
      : path_(path), info_(info) {
    std::vector<std::string> arguments = {"-nostdin", "-v", "error"};
    // ffmpeg's own VP8 and VP9 decoders leave out a WebM's alpha; libvpx's keep it.
    if (info.codec == "vp9") arguments.insert(arguments.end(), {"-c:v", "libvpx-vp9"});
    if (info.codec == "vp8") arguments.insert(arguments.end(), {"-c:v", "libvpx"});
    arguments.insert(arguments.end(), {"-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "rawvideo",
                                       "-pix_fmt", "rgba", "-"});
    Pipe output = makePipe();
    child_.emplace(ffmpeg, arguments, ChildProcess::Streams{-1, output.write.get(), errors_.fd()});
    frames_ = std::move(output.read);
  }

  // Closing the pipe first lets a running ffmpeg fail on its next write; the child is
  // then killed and reaped in any case.
  ~VideoSource() override { frames_.reset(); }

  std::optional<RgbaImage> next() override {
    if (ended_) return std::nullopt;
    RgbaImage frame(info_.width, info_.height);
    int error = 0;
    const std::size_t got = readFully(frames_.get(), frame.rgba.data(), frame.rgba.size(), &error);
    if (got == frame.rgba.size()) {
      ++number_;
      return frame;
    }
    ended_ = true;
    frames_.reset();
    const int status = child_->wait();
    if (status != 0) throw std::runtime_error("cannot read " + path_ + ": " + childFailure("ffmpeg", status, errors_));
    if (error) throw std::runtime_error("cannot read " + path_ + ": " + std::strerror(error));
    if (got > 0) {
      throw std::runtime_error("cannot read " + path_ + ": ffmpeg's frames ended " + std::to_string(got) +
                               " bytes into frame " + std::to_string(number_ + 1));
    }
    if (number_ < 0) throw std::runtime_error("cannot read " + path_ + ": it holds no video frames");
    return std::nullopt;
  }

  std::size_t count() const override { return info_.frames; }
  long lastNumber() const override { return number_; }
  std::optional<FrameRate> fps() const override {
    return info_.fps ? std::optional<FrameRate>(frameRateOf(*info_.fps)) : std::nullopt;
  }

 private:
  std::string path_;
  VideoInfo info_;
  ErrorCapture errors_;
  std::optional<ChildProcess> child_;  // declared after the capture it writes to, so ended first
  OwnedFd frames_;
  long number_ = -1;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<FrameSource> openVideoSource(const InputSpec& input) {
  const std::string& path = input.path;
  struct stat status;
  if (stat(path.c_str(), &status) != 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  const std::string ffmpeg = requireProgram("ffmpeg", path);
  return std::make_unique<VideoSource>(path, ffmpeg, probeVideo(path));
}

}  // namespace vantrel
